// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/Settings.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace corvane {

// The settings file, $XDG_CONFIG_HOME/corvane/corvane.conf: read at start and again whenever it
// changes on disk (another editor, a dotfiles sync), written atomically when a setting changes. A
// missing file is the defaults. Whatever cannot be used is named on standard error, one line per key.
class SettingsFile : public QObject {
    Q_OBJECT
public:
    explicit SettingsFile(QString path = standardPath(), QObject* parent = nullptr);

    static QString standardPath();

    // Reads the file now; the settings in force afterwards.
    const Settings& load();
    const Settings& settings() const { return m_settings; }

    // Makes SETTINGS the ones in force and writes them. False when they cannot be kept (a read-only
    // folder, a full disk): they stay in force for this session, and standard error says so once.
    bool store(const Settings& settings);
    // Whether a write has failed in this session.
    bool cannotKeep() const { return m_cannotKeep; }
    QString path() const { return m_path; }

signals:
    // The file changed on disk and holds other settings than the ones in force, which are now these.
    void changed(const Settings& settings);

private:
    void watch();
    void reread();

    QString m_path;
    Settings m_settings;
    QByteArray m_lastRead;
    bool m_cannotKeep = false;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};

} // namespace corvane
