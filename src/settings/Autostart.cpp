// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace corvane::Autostart {

namespace {

// The program as the entry names it: "corvane" when that is what the PATH finds, so a package update
// that moves nothing keeps working; this very file otherwise (a build run from its folder).
QString program()
{
    QString self = QCoreApplication::applicationFilePath();
    // This is the program proper, started by the `corvane` command; the entry names the command, which
    // lies beside it in a build folder.
    if (const QFileInfo file(self); file.fileName() == QLatin1String("corvane-program")) {
        const QString command = file.dir().filePath(QStringLiteral("corvane"));
        if (QFileInfo(command).isFile())
            self = command;
        else
            return QStringLiteral("corvane");
    }
    const QString found = QStandardPaths::findExecutable(QStringLiteral("corvane"));
    if (self.isEmpty() || (!found.isEmpty() && QFileInfo(found).canonicalFilePath() == QFileInfo(self).canonicalFilePath()))
        return QStringLiteral("corvane");
    return self;
}

// An argument of Exec= as the desktop-entry rules quote it: in double quotes when it holds anything
// beyond plain characters, with ", `, $ and \ escaped inside them.
QString execArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`=%");
    const bool plain = std::none_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); });
    if (plain)
        return argument;
    QString escaped;
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    // The entry's own escape rules double every backslash once more, and a percent sign is doubled.
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

QString entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/io.github.corvane.Corvane.desktop");
}

QByteArray entry(const QString& program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Corvane\n"
                          "Comment=Screenshot and annotation utility in the tray\n"
                          "Exec=%1\n"
                          "Icon=io.github.corvane.Corvane\n"
                          "Terminal=false\n"
                          "NoDisplay=true\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(program))
        .toUtf8();
}

bool apply(bool on, QString* error)
{
    const QString path = entryPath();
    if (!on) {
        QFile file(path);
        if (!file.exists() || file.remove())
            return true;
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = entry(program());
    QSaveFile file(path);
    if (QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
        file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace corvane::Autostart
