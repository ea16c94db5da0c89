// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/Settings.h"

#include <QDialog>
#include <functional>
#include <map>

class QCheckBox;
class QComboBox;
class QKeySequenceEdit;
class QLabel;
class QLayout;
class QLineEdit;
class QSpinBox;

namespace corvane {

// The one small settings window. Every change applies at once: edited() carries the whole new set,
// and whoever owns the dialog stores and applies it, then reports back what became of the shortcuts.
class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    // SHORTCUTS_FROM_DESKTOP: under Wayland the desktop binds shortcuts, so the key fields only say where.
    PreferencesDialog(const Settings& settings, bool shortcutsFromDesktop, QWidget* parent = nullptr);

    // The settings changed elsewhere (the file was edited): the fields follow.
    void setSettings(const Settings& settings);
    const Settings& settings() const { return m_settings; }
    // Next to each key field: nothing, or that another program holds the keys, or that they cannot be used.
    void setShortcutStates(const std::map<HotKeyID, GrabState>& states);
    // Says, from now on, that changes last only until the program quits.
    void setCannotKeep(const QString& folder);

    // Asks for a folder, starting at the one given; empty when cancelled. Replaceable for tests.
    std::function<QString(QWidget* parent, const QString& start)> chooseFolder;

signals:
    void edited(const Settings& settings);
    // A key field took the focus (true) or gave it up (false). While it has it, the owner lets go of
    // the system-wide shortcuts: a key the program holds would never reach the field.
    void recordingKeys(bool recording);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildSaveGroup();
    QLayout* buildFolderRow(QWidget* group);
    QLayout* buildFormatRow(QWidget* group);
    QWidget* buildShortcutGroup(bool shortcutsFromDesktop);
    void showSettings();
    void updatePreview();
    void change(const std::function<void(Settings&)>& edit);

    Settings m_settings;
    bool m_showing = false;
    QLineEdit* m_folder = nullptr;
    QLineEdit* m_pattern = nullptr;
    QLabel* m_preview = nullptr;
    QComboBox* m_format = nullptr;
    QSpinBox* m_quality = nullptr;
    QComboBox* m_after = nullptr;
    std::map<HotKeyID, QKeySequenceEdit*> m_keys;
    std::map<HotKeyID, QLabel*> m_keyStates;
    QCheckBox* m_startAtLogin = nullptr;
    QCheckBox* m_toasts = nullptr;
    QLabel* m_cannotKeep = nullptr;
};

} // namespace corvane
