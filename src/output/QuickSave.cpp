// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/QuickSave.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QStandardPaths>

namespace corvane {

namespace {

QuickSave& current()
{
    static QuickSave save;
    return save;
}

QString desktopFolder()
{
    // Without a home folder (HOME unset, as for root under some service managers) Qt would name
    // /Desktop at the root of the file system: there is no Desktop then.
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty() || !QDir::isAbsolutePath(home) || !QFileInfo(home).isDir())
        return {};
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

bool isDesktop(const QuickSave& save)
{
    return save.folder.isEmpty() || QDir::cleanPath(save.folder) == QDir::cleanPath(desktopFolder());
}

} // namespace

QString quickSaveFolder(const QuickSave& save)
{
    return save.folder.isEmpty() ? desktopFolder() : save.folder;
}

QString quickSaveTitle(const QuickSave& save)
{
    if (isDesktop(save))
        return QStringLiteral("Save to Desktop");
    const QString name = QFileInfo(QDir::cleanPath(save.folder)).fileName();
    return QStringLiteral("Save to %1").arg(name.isEmpty() ? save.folder : name);
}

QString quickSaveFailure(const QuickSave& save)
{
    if (isDesktop(save))
        return QStringLiteral("Could not save to Desktop");
    QString shown = QDir::cleanPath(save.folder);
    const QString home = QDir::homePath();
    if (shown.startsWith(home + QLatin1Char('/')))
        shown = QStringLiteral("~") + shown.mid(home.size());
    return QStringLiteral("Could not save to %1").arg(shown);
}

QString quickSaveSuffix(QuickSaveFormat format)
{
    switch (format) {
    case QuickSaveFormat::png:
        return QStringLiteral("png");
    case QuickSaveFormat::jpeg:
        return QStringLiteral("jpg");
    case QuickSaveFormat::webp:
        return QStringLiteral("webp");
    }
    return QStringLiteral("png");
}

bool quickSaveFormatAvailable(QuickSaveFormat format)
{
    switch (format) {
    case QuickSaveFormat::png:
    case QuickSaveFormat::jpeg:
        return true;
    case QuickSaveFormat::webp:
        return QImageWriter::supportedImageFormats().contains("webp");
    }
    return false;
}

const QuickSave& currentQuickSave()
{
    return current();
}

void setCurrentQuickSave(const QuickSave& save)
{
    current() = save;
}

} // namespace corvane
