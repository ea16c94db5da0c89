// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SettingsFile.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

namespace corvane {

class HotKeyManager;
class PreferencesDialog;

// Reads the settings file and hands its values to the parts that use them: the quick save, the
// toasts, what a capture does, the shortcuts and the start-at-login entry. Changes from the
// preferences window are stored and applied the same way, and so are edits of the file on disk.
class PreferencesController : public QObject {
    Q_OBJECT
public:
    explicit PreferencesController(HotKeyManager& hotKeys, QObject* parent = nullptr);
    ~PreferencesController() override;

    // Reads the file and applies it; the shortcuts are grabbed here.
    void start();
    void showDialog();
    const Settings& settings() const { return m_file.settings(); }

    // Told after every change that was applied (the tray menu names the shortcuts).
    std::function<void()> onApplied;

private:
    void apply(const Settings& settings);
    void edited(const Settings& settings);
    void recordingKeys(bool recording);

    SettingsFile m_file;
    HotKeyManager& m_hotKeys;
    QPointer<PreferencesDialog> m_dialog;
    std::optional<Settings> m_applied;
    bool m_recording = false;
};

} // namespace corvane
