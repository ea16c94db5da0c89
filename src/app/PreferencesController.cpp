// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PreferencesController.h"

#include "app/HotKeyManager.h"
#include "capture/DisplaySession.h"
#include "flow/CaptureController.h"
#include "output/HUD.h"
#include "settings/Autostart.h"
#include "settings/PreferencesDialog.h"
#include "settings/ShortcutKeys.h"

#include <QFileInfo>
#include <cstdio>

namespace corvane {

namespace {

std::map<HotKeyID, GrabState> grabStates(const HotKeyManager& hotKeys)
{
    std::map<HotKeyID, GrabState> states;
    for (const HotKeyEntry& entry : hotKeyTable)
        states[entry.id] = hotKeys.stateOf(entry.id);
    return states;
}

// The keys the toast names for getting the menu back: the first capture shortcut that is held.
QString menuShortcutHint(const Settings& settings, const HotKeyManager& hotKeys)
{
    for (const HotKeyEntry& entry : hotKeyTable) {
        if (hotKeys.stateOf(entry.id) == GrabState::granted)
            return shortcutText(settings.shortcuts.at(entry.id));
    }
    return {};
}

// Keys the user chose are never dropped without a word. The default keys are, as they always were:
// a desktop that holds one of them has its own use for it.
void reportRefusedShortcuts(const Settings& settings, const HotKeyManager& hotKeys)
{
    const Settings defaults = defaultSettings();
    for (const HotKeyEntry& entry : hotKeyTable) {
        const QKeySequence& keys = settings.shortcuts.at(entry.id);
        if (keys == defaults.shortcuts.at(entry.id))
            continue;
        const char* why = nullptr;
        switch (hotKeys.stateOf(entry.id)) {
        case GrabState::unbound:
        case GrabState::granted:
            break;
        case GrabState::taken:
            why = "is held by another program";
            break;
        case GrabState::unavailable:
            why = "cannot be used as a shortcut here";
            break;
        }
        if (why)
            std::fprintf(stderr, "corvane: %s: %s %s\n", entry.settingsKey, qPrintable(shortcutText(keys)), why);
    }
}

} // namespace

PreferencesController::PreferencesController(HotKeyManager& hotKeys, QObject* parent)
    : QObject(parent)
    , m_hotKeys(hotKeys)
{
    connect(&m_file, &SettingsFile::changed, this, [this](const Settings& settings) {
        apply(settings);
        if (m_dialog)
            m_dialog->setSettings(settings);
    });
}

PreferencesController::~PreferencesController()
{
    // A window still open when the program quits has no owner otherwise.
    if (m_dialog) {
        disconnect(m_dialog, nullptr, this, nullptr);
        delete m_dialog.data();
    }
}

void PreferencesController::start()
{
    apply(m_file.load());
}

void PreferencesController::showDialog()
{
    if (!m_dialog) {
        m_dialog = new PreferencesDialog(m_file.settings(), displaySession() == DisplaySession::wayland);
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_dialog, &PreferencesDialog::edited, this, &PreferencesController::edited);
        connect(m_dialog, &PreferencesDialog::recordingKeys, this, &PreferencesController::recordingKeys);
        // Closed while a key field had the focus: the shortcuts come back.
        connect(m_dialog, &QObject::destroyed, this, [this] { recordingKeys(false); });
        m_dialog->setShortcutStates(grabStates(m_hotKeys));
        if (m_file.cannotKeep())
            m_dialog->setCannotKeep(QFileInfo(m_file.path()).absolutePath());
    }
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void PreferencesController::edited(const Settings& settings)
{
    if (!m_file.store(settings) && m_dialog)
        m_dialog->setCannotKeep(QFileInfo(m_file.path()).absolutePath());
    apply(settings);
}

void PreferencesController::recordingKeys(bool recording)
{
    if (recording == m_recording || displaySession() == DisplaySession::wayland)
        return;
    m_recording = recording;
    m_hotKeys.apply(recording ? ShortcutBindings() : m_file.settings().shortcuts);
    if (m_dialog && !recording)
        m_dialog->setShortcutStates(grabStates(m_hotKeys));
}

void PreferencesController::apply(const Settings& settings)
{
    const bool first = !m_applied;
    setCurrentQuickSave(settings.save);
    HUD::setQuiet(!settings.toasts);
    // Under Wayland the portal binds shortcuts once, at start; the desktop's own settings change them.
    // While a key field records, the keys are applied when it lets go.
    if (first || (settings.shortcuts != m_applied->shortcuts && displaySession() != DisplaySession::wayland &&
                  !m_recording)) {
        m_hotKeys.apply(settings.shortcuts);
        reportRefusedShortcuts(settings, m_hotKeys);
    }
    CaptureController& captures = CaptureController::shared();
    captures.after = settings.after;
    captures.menuShortcutHint = menuShortcutHint(settings, m_hotKeys);
    // Only a change writes or removes the entry: an entry the user made by hand stays while the
    // setting is off, as it always was.
    if ((first && settings.startAtLogin) || (!first && settings.startAtLogin != m_applied->startAtLogin)) {
        QString error;
        if (!Autostart::apply(settings.startAtLogin, &error))
            std::fprintf(stderr, "corvane: %s: %s\n", qPrintable(Autostart::entryPath()), qPrintable(error));
    }
    m_applied = settings;
    if (m_dialog && !m_recording)
        m_dialog->setShortcutStates(grabStates(m_hotKeys));
    if (onApplied)
        onApplied();
}

} // namespace corvane
