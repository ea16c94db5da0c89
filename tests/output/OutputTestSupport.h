// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStringList>
#include <algorithm>
#include <cstring>

namespace corvane::outputtest {

inline const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);

// Many colours, a function of position and SEED; alpha runs from 0 to 255 across when translucent.
inline QImage patternImage(int width, int height, int seed = 0, bool translucent = false)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgba((x * 7 + seed * 31) & 0xff, (y * 5 + seed * 17) & 0xff,
                                 ((x + y) * 3 + seed * 101) & 0xff,
                                 translucent ? x * 255 / std::max(1, width - 1) : 255));
    return image;
}

// The same non-premultiplied ARGB pixels, whatever the formats and metadata.
inline bool samePixels(const QImage& a, const QImage& b)
{
    if (a.isNull() || a.size() != b.size())
        return false;
    const QImage left = a.convertToFormat(QImage::Format_ARGB32);
    const QImage right = b.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < left.height(); ++y)
        if (std::memcmp(left.constScanLine(y), right.constScanLine(y), size_t(left.width()) * 4) != 0)
            return false;
    return true;
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

inline int dotsPerInch(const QImage& image)
{
    return qRound(image.dotsPerMeterX() * 0.0254);
}

// Sets an environment variable for one scope and puts back what was there.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : m_name(name)
        , m_wasSet(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
        // A null value unsets the variable.
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment()
    {
        if (m_wasSet)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_wasSet;
    QByteArray m_old;
};

} // namespace corvane::outputtest
