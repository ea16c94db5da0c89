// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cstdio>
#include <utility>

namespace corvane {

namespace {

// A burst of changes (a temporary file made, written, renamed over the old one) is read once.
constexpr int kSettleMilliseconds = 150;

void say(const QString& line)
{
    std::fprintf(stderr, "corvane: %s\n", qPrintable(line));
}

} // namespace

SettingsFile::SettingsFile(QString path, QObject* parent)
    : QObject(parent)
    , m_path(std::move(path))
    , m_settings(defaultSettings())
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, &SettingsFile::reread);
    // An atomic write replaces the file, which ends a watch on the file itself: the folder is watched
    // for that, and the file for edits made in place.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
}

QString SettingsFile::standardPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/corvane/corvane.conf");
}

const Settings& SettingsFile::load()
{
    QFile file(m_path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    else if (file.exists())
        say(QStringLiteral("%1: cannot be read (%2); the defaults apply").arg(m_path, file.errorString()));
    const bool sameBytes = bytes == m_lastRead;
    m_lastRead = bytes;
    const SettingsRead read = settingsFromIni(bytes, QDir::homePath());
    // A file read again unchanged (the folder changed around it) is not complained about twice.
    if (!sameBytes) {
        for (const QString& problem : read.problems)
            say(QStringLiteral("%1: %2").arg(m_path, problem));
    }
    m_settings = read.settings;
    watch();
    return m_settings;
}

bool SettingsFile::store(const Settings& settings)
{
    m_settings = settings;
    const QByteArray bytes = iniFromSettings(settings, QDir::homePath());
    const QString folder = QFileInfo(m_path).absolutePath();
    QSaveFile file(m_path);
    const bool written = QDir().mkpath(folder) && file.open(QIODevice::WriteOnly) &&
                         file.write(bytes) == bytes.size() && file.commit();
    if (written) {
        m_lastRead = bytes;
        watch();
        return true;
    }
    if (!std::exchange(m_cannotKeep, true))
        say(QStringLiteral("settings cannot be kept: %1 cannot be written (%2); changes last until Corvane "
                           "quits")
                .arg(folder, file.errorString()));
    return false;
}

void SettingsFile::watch()
{
    const QString folder = QFileInfo(m_path).absolutePath();
    // A folder that does not exist yet cannot be watched: the nearest folder above it that exists is,
    // until it appears (a fresh account may not even have ~/.config).
    QString watched = folder;
    while (!QFileInfo(watched).isDir() && watched != QFileInfo(watched).absolutePath())
        watched = QFileInfo(watched).absolutePath();
    for (const QString& other : m_watcher.directories()) {
        if (other != watched)
            m_watcher.removePath(other);
    }
    if (QFileInfo(watched).isDir() && !m_watcher.directories().contains(watched))
        m_watcher.addPath(watched);
    if (QFileInfo::exists(m_path) && !m_watcher.files().contains(m_path))
        m_watcher.addPath(m_path);
}

void SettingsFile::reread()
{
    QFile file(m_path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    // Our own write, or a change next to the file: the settings in force stay, including ones this
    // session could not write.
    if (bytes == m_lastRead) {
        watch();
        return;
    }
    const Settings before = m_settings;
    if (load() != before)
        emit changed(m_settings);
}

} // namespace corvane
