// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "seams/HotKeyTable.h"
#include "output/AfterCapture.h"
#include "output/QuickSave.h"

#include <QByteArray>
#include <QKeySequence>
#include <QString>
#include <QStringList>
#include <map>

namespace corvane {

// Everything the user can set, as plain values. Read from the settings file in one place and handed
// to the parts that use it; nothing else reads the file.
struct Settings {
    QuickSave save;
    AfterCapture after = AfterCapture::menu;
    // One entry per row of hotKeyTable; an empty sequence is no shortcut.
    std::map<HotKeyID, QKeySequence> shortcuts;
    bool startAtLogin = false;
    bool toasts = true;

    bool operator==(const Settings&) const = default;
};

// What a user who never changed anything has: today's behaviour.
Settings defaultSettings();

struct SettingsRead {
    Settings settings;
    // One line per key that could not be used (unknown, of the wrong type, out of range): what was
    // wrong and that its default applies. Without "corvane: " or a line end.
    QStringList problems;
};

// The settings in the bytes of an INI file as QSettings writes it. Nothing in it stops the reading: a
// value that cannot be used gives its key's default and a line in `problems`, and the rest applies.
// HOME stands for "~" in folders.
SettingsRead settingsFromIni(const QByteArray& ini, const QString& home);

// The INI file for SETTINGS, holding only what differs from the defaults; a folder in HOME is written
// with "~/".
QByteArray iniFromSettings(const Settings& settings, const QString& home);

QString afterCaptureName(AfterCapture after);
QString quickSaveFormatName(QuickSaveFormat format);

} // namespace corvane
