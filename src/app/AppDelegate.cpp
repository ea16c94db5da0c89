// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"

#include "capture/ScreenCapturer.h"
#include "editor/EditorWindowController.h"
#include "editor/ImageFile.h"
#include "editor/MainMenuBuilder.h"
#include "output/CaptureController.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <utility>

namespace corvane {

AppDelegate::AppDelegate(QStringList arguments, QObject* parent)
    : QObject(parent)
    , m_arguments(std::move(arguments))
{}

void AppDelegate::applicationDidFinishLaunching()
{
    MainMenuBuilder::setNewCaptureHandler([] { CaptureController::shared().startRegionCapture(); });
    m_hotKeys.onHotKey = [](HotKeyID id) {
        switch (id) {
        case HotKeyID::regionCapture:
        case HotKeyID::regionCaptureAlt:
            CaptureController::shared().startRegionCapture();
            break;
        case HotKeyID::fullScreenCapture:
            CaptureController::shared().startFullScreenCapture();
            break;
        }
    };
    m_hotKeys.registerAll();
    // The first capture should not pay for connecting and allocating; nothing waits for this.
    QTimer::singleShot(0, this, [] { ScreenCapturer::warmUp(); });
    if (const auto path = openAtLaunchPath(m_arguments))
        openInEditor(QDir::current().absoluteFilePath(*path));
}

bool AppDelegate::openInEditor(const QString& path)
{
    const auto opened = loadImageFile(path);
    if (!opened) {
        QApplication::beep();
        return false;
    }
    EditorWindowController::open(opened->image, opened->scale, opened->suggestedName);
    return true;
}

std::optional<QString> openAtLaunchPath(const QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--open"));
    if (at < 0 || at + 1 >= arguments.size())
        return std::nullopt;
    return arguments[at + 1];
}

} // namespace corvane
