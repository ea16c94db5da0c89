// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace corvane::Autostart {

// $XDG_CONFIG_HOME/autostart/io.github.corvane.Corvane.desktop, which desktops start at login.
QString entryPath();

// The entry that starts PROGRAM (a name found on the PATH, or an absolute path) in the tray.
QByteArray entry(const QString& program);

// Writes the entry (when ON) or removes it. False, with the reason in ERROR, when that fails.
bool apply(bool on, QString* error = nullptr);

} // namespace corvane::Autostart
