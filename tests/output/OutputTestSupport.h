// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "output/ImageOutput.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <sys/mount.h>

namespace corvane::outputtest {

inline const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);
inline const QByteArray kJpegSignature("\xFF\xD8\xFF", 3);
inline const QByteArray kTiffLittleEndianSignature("II*\0", 4);
inline const QByteArray kTiffBigEndianSignature("MM\0*", 4);

// A picture with many colours, its pixels a function of position and SEED; opaque unless told.
inline QImage patternImage(int width, int height, int seed = 0, bool translucent = false)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int alpha = translucent ? (x * 255 / std::max(1, width - 1)) : 255;
            image.setPixel(x, y,
                           qRgba((x * 7 + seed * 31) & 0xff, (y * 5 + seed * 17) & 0xff,
                                 ((x + y) * 3 + seed * 101) & 0xff, alpha));
        }
    }
    return image;
}

// Random opaque pixels: PNG cannot make these much smaller than 3 bytes a pixel.
inline QImage noiseImage(int width, int height, std::uint32_t seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 generator(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = 0xff000000u | (generator() & 0xffffffu);
    }
    return image;
}

// True when both hold the same pixels once put in one 32-bit FORMAT (formats and metadata aside).
// Non-premultiplied ARGB unless told; formats that store premultiplied alpha (TIFF as Qt writes it)
// round translucent colours, and compare exactly only as premultiplied pixels.
inline bool samePixels(const QImage& a, const QImage& b, QImage::Format format = QImage::Format_ARGB32)
{
    if (a.size() != b.size() || a.isNull() || b.isNull())
        return false;
    const QImage left = a.convertToFormat(format);
    const QImage right = b.convertToFormat(format);
    for (int y = 0; y < left.height(); ++y) {
        if (std::memcmp(left.constScanLine(y), right.constScanLine(y), size_t(left.width()) * 4) != 0)
            return false;
    }
    return true;
}

// Every name in a folder, hidden ones, dangling links and all, sorted.
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

// Dots per metre as the dots per inch a person reads.
inline int dotsPerInch(int dotsPerMetre) { return qRound(dotsPerMetre * 0.0254); }

// A clock that tells the times given, one a call (the last one again once they run out), and counts.
class ScriptedClock {
public:
    explicit ScriptedClock(QList<QDateTime> times)
        : m_times(std::move(times))
    {
    }
    ImageOutput::Clock clock()
    {
        return [this] {
            const QDateTime now = m_times.at(std::min<qsizetype>(m_calls, m_times.size() - 1));
            ++m_calls;
            return now;
        };
    }
    int calls() const { return m_calls; }

private:
    QList<QDateTime> m_times;
    int m_calls = 0;
};

// Sets an environment variable for one scope and puts back what was there.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : m_name(name)
        , m_wasSet(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
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

// A small tmpfs mounted on a folder for one scope. Needs root (CAP_SYS_ADMIN); mounted() says
// whether it worked and error() why not.
class TmpfsMount {
public:
    TmpfsMount(const QString& where, unsigned long flags, const char* options)
        : m_path(QFile::encodeName(where))
    {
        if (::mount("tmpfs", m_path.constData(), "tmpfs", flags, options) == 0)
            m_mounted = true;
        else
            m_error = errno;
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    ~TmpfsMount()
    {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    std::string error() const { return std::strerror(m_error); }

private:
    QByteArray m_path;
    bool m_mounted = false;
    int m_error = 0;
};

} // namespace corvane::outputtest
