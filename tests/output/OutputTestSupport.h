// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "output/ImageOutput.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <algorithm>

namespace corvane::outputtest {

// Many colours, a function of position and SEED; alpha runs from 0 to 255 across when translucent.
inline QImage patternImage(int width, int height, int seed = 0, bool translucent = false)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba((x * 7 + seed * 31) & 0xff, (y * 5 + seed * 17) & 0xff, ((x + y) * 3) & 0xff,
                                       translucent ? x * 255 / std::max(1, width - 1) : 255));
    return image;
}

// The same non-premultiplied ARGB pixels, whatever the formats and metadata.
inline bool samePixels(const QImage& a, const QImage& b)
{
    return !a.isNull() && a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

// Every name in a folder, hidden ones and dangling links included, sorted.
inline QStringList entries(const QString& directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                     QDir::Name);
}

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A quick save into FOLDER (empty: the Desktop) as PNG, the way the capture flow and the editor save.
inline std::optional<QString> saveTo(const QString& folder, const QImage& image, const std::optional<QString>& name,
                                     const ImageOutput::Clock& clock = {}, double scale = 1)
{
    QuickSave options;
    options.folder = folder;
    return ImageOutput::quickSave(options, image, scale, name, QString(), clock);
}

// Sets an environment variable for one scope (a null value unsets it) and puts back what was there.
struct ScopedEnvironment {
    ScopedEnvironment(const char* name, const QByteArray& value)
        : name(name), wasSet(qEnvironmentVariableIsSet(name)), old(qgetenv(name))
    {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnvironment() { wasSet ? qputenv(name, old) : qunsetenv(name); }
    const char* name;
    bool wasSet;
    QByteArray old;
};

} // namespace corvane::outputtest
