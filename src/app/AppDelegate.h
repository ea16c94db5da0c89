// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CaptureJob.h"
#include "app/CommandLine.h"
#include "app/DelayedCapture.h"
#include "app/HotKeyManager.h"
#include "app/LaunchMode.h"
#include "app/PreferencesController.h"

#include <QMenu>
#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>

class QSystemTrayIcon;

namespace corvane {

// The normal mode: a tray utility with no window of its own. It lives as long as the process and is
// told once the event loop runs, when it puts up the tray icon, registers the hotkeys, warms up
// capturing and opens the picture named after --open.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QStringList arguments, QObject* parent = nullptr);

    void applicationDidFinishLaunching();

    // Opens the picture in a new editor once it is decoded, or beeps when it cannot be read as a
    // picture. Returns at once: false when the file cannot even be opened for reading.
    static bool openInEditor(const QString& path);

    // A command-line trigger, this process's own or one passed on by a later invocation; it takes the
    // hotkeys' path, so a capture asked for while one is up is dropped like a second key press. Says
    // why it failed (a picture that cannot be opened, after the beep), or nothing.
    std::optional<QString> perform(Trigger trigger, const QString& absolutePath);

    // A capture trigger with its options (a delay, every monitor) and where the picture goes. While a
    // delayed capture waits, any trigger ends the wait instead (both report a cancel). FINISHED runs
    // once with how it ended; the answer says why it could not start, or nothing.
    using JobFinished = std::function<void(CaptureJobEnd)>;
    std::optional<QString> performCapture(Trigger trigger, const CaptureOptions& options, CaptureJob job,
                                          JobFinished finished);

    QMenu* trayMenu() const { return m_menu.get(); }

    // The tray menu's commands.
    void captureRegion();
    void captureFullScreen();
    void captureRegionDelayed();
    void cancelDelayedCapture();
    void openImage();
    void pinLastCapture();
    void openPermissions();
    void openPreferences();
    void quit();

private:
    void setupStatusItem();
    void reportMissingTray() const;
    void showShortcutsInMenu();
    // "F13 or Ctrl+Shift+Super+4 for a region, Ctrl+Shift+Super+3 for the whole screen", as held.
    QString heldShortcuts() const;
    // A hotkey or a tray command: ends a delayed capture's wait, or starts the capture.
    void trigger(HotKeyID id);
    void showCountdown(int secondsLeft);

    QStringList m_arguments;
    HotKeyManager m_hotKeys;
    PreferencesController m_preferences{m_hotKeys};
    std::unique_ptr<QMenu> m_menu;
    QAction* m_shortcutsItem = nullptr;
    QSystemTrayIcon* m_statusItem = nullptr;
    QAction* m_cancelDelay = nullptr;
    DelayedCapture m_delay;
};

} // namespace corvane
