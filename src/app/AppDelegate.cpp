// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"

#include "capture/ScreenCapturer.h"
#include "editor/EditorWindowController.h"
#include "editor/FileNameBytes.h"
#include "editor/MainMenuBuilder.h"
#include "editor/PictureOpener.h"
#include "ocr/TextCopy.h"
#include "flow/CaptureController.h"
#include "platform/tesseract/TesseractRecognizer.h"
#include "platform/x11/X11WindowLoss.h"
#include "settings/ShortcutKeys.h"

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
    // Right after a capture that skipped the destination menu, its toast offers the menu on this key.
    if (CaptureController::shared().recallMenu())
        return;
    switch (id) {
    case HotKeyID::regionCapture:
    case HotKeyID::regionCaptureAlt:
        CaptureController::shared().startRegionCapture();
        break;
    case HotKeyID::fullScreenCapture:
        CaptureController::shared().startFullScreenCapture();
        break;
    case HotKeyID::windowCapture:
        CaptureController::shared().startCapture(CaptureKind::window);
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
    MainMenuBuilder::setPreferencesHandler([this] { openPreferences(); });
    TextCopy::setRecognizer(makeTesseractRecognizer());
    setupStatusItem();
    x11::closeWindowsDestroyedElsewhere();
    m_hotKeys.onHotKey = [this](HotKeyID id) { trigger(id); };
    m_preferences.onApplied = [this] { showShortcutsInMenu(); };
    m_preferences.start();
    reportMissingTray();
    m_delay.onCountdown = [this](int secondsLeft) { showCountdown(secondsLeft); };
    // The first capture should not pay for connecting and allocating; nothing waits for this.
    QTimer::singleShot(0, this, [] { ScreenCapturer::warmUp(); });
    const CommandLine line = parseCommandLine(m_arguments);
    const LaunchMode& mode = line.mode;
    if (line.capture.delaySeconds > 0 || line.capture.allScreens)
        performCapture(mode.trigger, line.capture, {captureKindFor(mode.trigger, line.capture.allScreens)},
                       [](const CaptureJobEnd&) {});
    else
        perform(mode.trigger, QDir::current().absoluteFilePath(mode.path));
}

void AppDelegate::trigger(HotKeyID id)
{
    if (m_delay.isWaiting()) {
        m_delay.cancel();
        return;
    }
    startCapture(id);
}

std::optional<QString> AppDelegate::performCapture(Trigger trigger, const CaptureOptions& options, CaptureJob job,
                                                   JobFinished finished)
{
    if (m_delay.isWaiting()) {
        m_delay.cancel();
        finished({1, QStringLiteral("a delayed capture was waiting: this request ended its wait"), {}});
        return std::nullopt;
    }
    // As for the hotkeys: a picture waiting in the destination menu would be lost.
    if (QApplication::activePopupWidget()) {
        finished({2, QStringLiteral("Corvane is busy with another capture; try again when it is done"), {}});
        return std::nullopt;
    }
    job.kind = captureKindFor(trigger, options.allScreens);
    if (options.delaySeconds <= 0) {
        runCaptureJob(job, std::move(finished));
        return std::nullopt;
    }
    m_delay.start(
        options.delaySeconds, [job, finished] { runCaptureJob(job, finished); },
        [finished] { finished({1, QStringLiteral("the delayed capture was cancelled"), {}}); });
    return std::nullopt;
}

void AppDelegate::showCountdown(int secondsLeft)
{
    if (m_cancelDelay)
        m_cancelDelay->setEnabled(secondsLeft > 0);
    if (m_statusItem)
        m_statusItem->setToolTip(secondsLeft > 0 ? QStringLiteral("Corvane: capture in %1 s").arg(secondsLeft)
                                                 : QStringLiteral("Corvane"));
}

std::optional<QString> AppDelegate::perform(Trigger trigger, const QString& absolutePath)
{
    switch (trigger) {
    case Trigger::none:
        break;
    case Trigger::captureRegion:
    case Trigger::captureScreen:
    case Trigger::captureWindow:
        performCapture(trigger, {}, {}, [](const CaptureJobEnd&) {});
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
    m_menu->addAction(QStringLiteral("Capture Region in 5 Seconds"), this, &AppDelegate::captureRegionDelayed);
    m_cancelDelay = m_menu->addAction(QStringLiteral("Cancel Delayed Capture"), this,
                                      &AppDelegate::cancelDelayedCapture);
    m_cancelDelay->setEnabled(false);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Open Image in Editor…"), this, &AppDelegate::openImage);
    QAction* pinLast = m_menu->addAction(QStringLiteral("Pin Last Capture"), this, &AppDelegate::pinLastCapture);
    connect(m_menu.get(), &QMenu::aboutToShow, pinLast,
            [pinLast] { pinLast->setEnabled(CaptureController::shared().lastCapture().has_value()); });
    pinLast->setEnabled(false);
    m_menu->addSeparator();
    m_shortcutsItem = m_menu->addAction(QStringLiteral("Shortcut: Print Screen (F13)  ·  Ctrl+Shift+Super+4"));
    m_shortcutsItem->setEnabled(false);
    showShortcutsInMenu();
    m_menu->addAction(QStringLiteral("Preferences…"), this, &AppDelegate::openPreferences);
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
        std::fprintf(stderr, "corvane: no system tray is available; Corvane keeps running with its shortcuts (%s)\n",
                     qPrintable(heldShortcuts()));
    else
        std::fputs("corvane: no system tray and no shortcuts are available; Corvane keeps running: bind "
                   "keys to `corvane --capture-region` and `corvane --capture-screen` in your desktop's "
                   "settings\n",
                   stderr);
}

// The tray's commands run while its own menu may still count as the open pop-up, so they skip the
// check that keeps a bus request from closing a destination menu.
void AppDelegate::captureRegion()
{
    if (m_delay.isWaiting())
        m_delay.cancel();
    else
        CaptureController::shared().startRegionCapture();
}

void AppDelegate::captureFullScreen()
{
    if (m_delay.isWaiting())
        m_delay.cancel();
    else
        CaptureController::shared().startFullScreenCapture();
}

void AppDelegate::captureRegionDelayed()
{
    if (m_delay.isWaiting()) {
        m_delay.cancel();
        return;
    }
    m_delay.start(5, [] { CaptureController::shared().startRegionCapture(); }, [] {});
}

void AppDelegate::cancelDelayedCapture() { m_delay.cancel(); }

void AppDelegate::openImage()
{
    const QString path = QFileDialog::getOpenFileName(
        nullptr, QStringLiteral("Open Image in Editor"), QDir::homePath(),
        QStringLiteral("Images (*.png *.jpg *.jpeg *.tif *.tiff *.heic *.gif *.bmp)"));
    if (!path.isEmpty())
        openInEditor(path);
}

void AppDelegate::pinLastCapture() { CaptureController::shared().pinLastCapture(); }

void AppDelegate::openPermissions()
{
    // X11 has nothing to grant: every program of the session may read the screen.
    const QString text = QGuiApplication::platformName() == QLatin1String("xcb")
                             ? QStringLiteral("On X11 every program in your session may read the screen, so "
                                              "Corvane needs no permission.")
                             : QStringLiteral("Screen capture is not available on this display server yet.");
    QMessageBox::information(nullptr, QStringLiteral("Screen Recording Permission"), text);
}

void AppDelegate::openPreferences() { m_preferences.showDialog(); }

void AppDelegate::quit() { QApplication::quit(); }

QString AppDelegate::heldShortcuts() const
{
    const Settings& settings = m_preferences.settings();
    const auto held = [&](HotKeyID id) {
        return m_hotKeys.stateOf(id) == GrabState::granted ? shortcutText(settings.shortcuts.at(id)) : QString();
    };
    QStringList region;
    for (const HotKeyID id : {HotKeyID::regionCapture, HotKeyID::regionCaptureAlt}) {
        if (!held(id).isEmpty())
            region << held(id);
    }
    QStringList parts;
    if (!region.isEmpty())
        parts << region.join(QStringLiteral(" or ")) + QStringLiteral(" for a region");
    if (!held(HotKeyID::fullScreenCapture).isEmpty())
        parts << held(HotKeyID::fullScreenCapture) + QStringLiteral(" for the whole screen");
    return parts.join(QStringLiteral(", "));
}

void AppDelegate::showShortcutsInMenu()
{
    if (!m_shortcutsItem)
        return;
    const Settings& settings = m_preferences.settings();
    const Settings defaults = defaultSettings();
    const QKeySequence first = settings.shortcuts.at(HotKeyID::regionCapture);
    const QKeySequence second = settings.shortcuts.at(HotKeyID::regionCaptureAlt);
    if (first == defaults.shortcuts.at(HotKeyID::regionCapture) &&
        second == defaults.shortcuts.at(HotKeyID::regionCaptureAlt)) {
        m_shortcutsItem->setText(QStringLiteral("Shortcut: Print Screen (F13)  ·  Ctrl+Shift+Super+4"));
        return;
    }
    QStringList keys;
    for (const QKeySequence& sequence : {first, second}) {
        if (!sequence.isEmpty())
            keys << shortcutText(sequence);
    }
    m_shortcutsItem->setText(keys.isEmpty() ? QStringLiteral("No region shortcut")
                                            : QStringLiteral("Shortcut: %1").arg(keys.join(QStringLiteral("  ·  "))));
}

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
