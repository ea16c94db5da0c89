// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"

#include "capture/ScreenCapturer.h"
#include "editor/EditorWindowController.h"
#include "editor/FileNameBytes.h"
#include "editor/MainMenuBuilder.h"
#include "editor/PictureOpener.h"
#include "output/CaptureController.h"
#include "platform/x11/X11WindowLoss.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>
#include <utility>

namespace corvane {

namespace {

// The hotkeys and the command-line triggers both come here.
void startCapture(HotKeyID id)
{
    // While a menu is open (the destination menu with a picture waiting in it, or the tray menu) its
    // keyboard grab keeps X11 key presses away, and the controller is no longer busy by then. A request
    // from elsewhere (the bus) must wait its turn the same way: a capture started now would hide the
    // menu and lose the picture in it.
    if (QApplication::activePopupWidget())
        return;
    switch (id) {
    case HotKeyID::regionCapture:
    case HotKeyID::regionCaptureAlt:
        CaptureController::shared().startRegionCapture();
        break;
    case HotKeyID::fullScreenCapture:
        CaptureController::shared().startFullScreenCapture();
        break;
    }
}

} // namespace

AppDelegate::AppDelegate(QStringList arguments, QObject* parent)
    : QObject(parent)
    , m_arguments(std::move(arguments))
{}

void AppDelegate::applicationDidFinishLaunching()
{
    MainMenuBuilder::setNewCaptureHandler([] { CaptureController::shared().startRegionCapture(); });
    setupStatusItem();
    x11::closeWindowsDestroyedElsewhere();
    m_hotKeys.onHotKey = startCapture;
    m_hotKeys.registerAll();
    reportMissingTray();
    // The first capture should not pay for connecting and allocating; nothing waits for this.
    QTimer::singleShot(0, this, [] { ScreenCapturer::warmUp(); });
    const LaunchMode mode = chooseLaunchMode(m_arguments);
    perform(mode.trigger, QDir::current().absoluteFilePath(mode.path));
}

std::optional<QString> AppDelegate::perform(Trigger trigger, const QString& absolutePath)
{
    switch (trigger) {
    case Trigger::none:
        break;
    case Trigger::captureRegion:
        startCapture(HotKeyID::regionCapture);
        break;
    case Trigger::captureScreen:
        startCapture(HotKeyID::fullScreenCapture);
        break;
    case Trigger::open:
        if (!openInEditor(absolutePath))
            return QStringLiteral("cannot open %1 as a picture").arg(absolutePath);
        break;
    }
    return std::nullopt;
}

void AppDelegate::setupStatusItem()
{
    m_menu = std::make_unique<QMenu>();
    m_menu->addAction(QStringLiteral("Capture Region…"), this, &AppDelegate::captureRegion);
    m_menu->addAction(QStringLiteral("Capture Full Screen"), this, &AppDelegate::captureFullScreen);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Open Image in Editor…"), this, &AppDelegate::openImage);
    m_menu->addSeparator();
    QAction* shortcuts = m_menu->addAction(QStringLiteral("Shortcut: Print Screen (F13)  ·  Ctrl+Shift+Super+4"));
    shortcuts->setEnabled(false);
    m_menu->addAction(QStringLiteral("Screen Recording Permission…"), this, &AppDelegate::openPermissions);
    m_menu->addSeparator();
    QAction* quitItem = m_menu->addAction(QStringLiteral("Quit Corvane"), this, &AppDelegate::quit);
    quitItem->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));

    // The full-colour icon reads on light and dark panels alike; the symbolic one is installed for
    // desktops that ask the theme for it.
    const QIcon icon(QStringLiteral(":/corvane/io.github.corvane.Corvane.svg"));
    m_statusItem = new QSystemTrayIcon(icon, this);
    m_statusItem->setToolTip(QStringLiteral("Corvane"));
    m_statusItem->setContextMenu(m_menu.get());
    // A left click opens the same menu: the icon has no other use.
    connect(m_statusItem, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            m_menu->popup(QCursor::pos());
    });
    m_statusItem->show();
}

void AppDelegate::reportMissingTray() const
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        return;
    // Plain GNOME has no tray: the hotkeys still work, and the icon docks if a tray comes later. A
    // Wayland desktop without the shortcut portal (sway) has neither: keys bound in it reach us.
    if (m_hotKeys.registeredCount() > 0)
        std::fputs("corvane: no system tray is available; Corvane keeps running with its shortcuts "
                   "(F13 or Ctrl+Shift+Super+4 for a region, Ctrl+Shift+Super+3 for the whole screen)\n",
                   stderr);
    else
        std::fputs("corvane: no system tray and no shortcuts are available; Corvane keeps running: bind "
                   "keys to `corvane --capture-region` and `corvane --capture-screen` in your desktop's "
                   "settings\n",
                   stderr);
}

void AppDelegate::captureRegion() { CaptureController::shared().startRegionCapture(); }

void AppDelegate::captureFullScreen() { CaptureController::shared().startFullScreenCapture(); }

void AppDelegate::openImage()
{
    const QString path = QFileDialog::getOpenFileName(
        nullptr, QStringLiteral("Open Image in Editor"), QDir::homePath(),
        QStringLiteral("Images (*.png *.jpg *.jpeg *.tif *.tiff *.heic *.gif *.bmp)"));
    if (!path.isEmpty())
        openInEditor(path);
}

void AppDelegate::openPermissions()
{
    // X11 has nothing to grant: every program of the session may read the screen.
    const QString text = QGuiApplication::platformName() == QLatin1String("xcb")
                             ? QStringLiteral("On X11 every program in your session may read the screen, so "
                                              "Corvane needs no permission.")
                             : QStringLiteral("Screen capture is not available on this display server yet.");
    QMessageBox::information(nullptr, QStringLiteral("Screen Recording Permission"), text);
}

void AppDelegate::quit() { QApplication::quit(); }

bool AppDelegate::openInEditor(const QString& path)
{
    return PictureOpener::open(FileNameBytes::encode(path));
}

std::optional<QString> openAtLaunchPath(const QStringList& arguments)
{
    const LaunchMode mode = chooseLaunchMode(arguments);
    if (mode.kind != LaunchMode::Kind::normal || mode.trigger != Trigger::open)
        return std::nullopt;
    return mode.path;
}

} // namespace corvane
