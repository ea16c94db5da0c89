// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/FileCaptureSource.h"

#include <QDir>
#include <QFileInfo>
#include <QScreen>

namespace corvane {

FileCaptureSource::FileCaptureSource(QString folder)
    : m_folder(std::move(folder))
{}

bool FileCaptureSource::available()
{
    return QFileInfo(m_folder).isDir();
}

QImage FileCaptureSource::grab(const QScreen& screen)
{
    return QImage(QDir(m_folder).filePath(screen.name() + QStringLiteral(".png")));
}

QString FileCaptureSource::refusalExplanation() const
{
    return QStringLiteral("The folder of pictures to capture, %1, does not exist.").arg(m_folder);
}

} // namespace corvane
