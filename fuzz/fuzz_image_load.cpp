// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ImageFile.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

// Reachable for the whole run, so the leak checker does not count them.
QGuiApplication* application = nullptr;
QTemporaryDir* scratch = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Image format plugins are found through the application object; no display is wanted.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application = new QGuiApplication(*argc, *argv);
    // Every damaged input makes a decoder complain; thousands a second would drown libFuzzer's report.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    scratch = new QTemporaryDir;
    std::atexit([] { scratch->remove(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The editor opens paths, not bytes: going through a file exercises the same reader set-up,
    // and a name without a suffix leaves the format to the content.
    const QString path = scratch->filePath(QStringLiteral("input"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    const auto opened = corvane::loadImageFile(path);
    // A picture that opens must be one the canvas can use as it is.
    if (opened && (opened->image.isNull() || opened->image.width() > 16384 || opened->image.height() > 16384))
        std::abort();
    return 0;
}
