// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/PictureOpener.h"

#include "editor/DecoderProcess.h"
#include "editor/EditorWindowController.h"
#include "editor/ImageFile.h"

#include <QApplication>
#include <QFile>
#include <QMetaObject>
#include <cstdio>
#include <thread>

namespace corvane::PictureOpener {

namespace {

std::shared_ptr<const PictureDecoder> helperDecoder()
{
    static const auto helper = std::make_shared<const HelperProcessDecoder>();
    return helper;
}

int& pendingCount()
{
    static int count = 0;
    return count;
}

void finish(const std::optional<DecodedPicture>& picture, const QByteArray& path,
            const QString& suggestedName)
{
    if (--pendingCount() == 0)
        QGuiApplication::restoreOverrideCursor();
    if (!picture) {
        // The caller that handed the file over has had its answer long ago: the log says it instead.
        std::fprintf(stderr, "corvane: cannot open %s as a picture\n", path.constData());
        QApplication::beep();
        return;
    }
    EditorWindowController::open(picture->image, picture->scale, suggestedName, QFile::decodeName(path));
}

} // namespace

bool open(const QByteArray& path)
{
    std::optional<FileHandle> file = openPictureFile(path);
    if (!file) {
        QApplication::beep();
        return false;
    }
    if (pendingCount()++ == 0)
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    // Its own thread, not the shared pool: a decode may take its whole time limit, and Save to
    // Desktop must not wait behind it.
    std::thread([decoder = helperDecoder(), file = std::move(*file), path, name = suggestedNameFor(path)] {
        std::optional<DecodedPicture> picture = decoder->decode(file.fd(), DecodeLimits{});
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        QMetaObject::invokeMethod(
            app, [picture = std::move(picture), path, name] { finish(picture, path, name); },
            Qt::QueuedConnection);
    }).detach();
    return true;
}

} // namespace corvane::PictureOpener
