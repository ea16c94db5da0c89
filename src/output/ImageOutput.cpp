// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/ImageOutput.h"

#include "output/ExclusiveFile.h"
#include "output/FileNamePattern.h"
#include "output/ImageMimeData.h"
#include "output/PngEncoder.h"

#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QStandardPaths>
#include <QThreadPool>
#include <algorithm>
#include <memory>

namespace corvane::ImageOutput {

namespace {

enum class Format { Png, Jpeg, Tiff, Webp };

constexpr int kJpegQuality = 92;
constexpr double kPointsPerInch = 72.0;
constexpr double kMetresPerInch = 0.0254;
// Far above any real display, and keeps the dots-per-metre value inside an int.
constexpr double kMaxDotsPerMetre = 1e9;

const char* writerFormat(Format format)
{
    switch (format) {
    case Format::Png:
        return "png";
    case Format::Jpeg:
        return "jpeg";
    case Format::Tiff:
        return "tiff";
    case Format::Webp:
        return "webp";
    }
    return "png";
}

// JPEG has no alpha channel: hand the encoder an opaque image rather than let it guess.
QImage opaque(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_RGB888:
    case QImage::Format_Grayscale8:
        return image;
    default:
        return image.convertToFormat(QImage::Format_RGB32);
    }
}

std::optional<QByteArray> encode(const QImage& image, Format format, double scale,
                                 int jpegQuality = kJpegQuality)
{
    if (image.isNull())
        return std::nullopt;

    const double dotsPerInch = kPointsPerInch * effectiveScale(scale);
    const int dotsPerMetre = qRound(std::clamp(dotsPerInch / kMetresPerInch, 1.0, kMaxDotsPerMetre));
    // Qt's PNG writer is the slow step of every save and paste; ours writes the same chunks several
    // times faster (see docs/performance.md) and hands it everything else.
    if (format == Format::Png && PngEncoder::supports(image))
        return PngEncoder::encode(image, dotsPerMetre);

    QImage picture = format == Format::Jpeg ? opaque(image) : image;
    // Metadata only: the pixels stay as they are (a shared image is copied, never resampled).
    picture.setDotsPerMeterX(dotsPerMetre);
    picture.setDotsPerMeterY(dotsPerMetre);

    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return std::nullopt;
    QImageWriter writer(&buffer, writerFormat(format));
    if (format == Format::Jpeg)
        writer.setQuality(jpegQuality);
    if (!writer.write(picture) || bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

// The longest file name Linux file systems take, in bytes.
constexpr qsizetype kMaxFileNameBytes = 255;

// A name from elsewhere (the file a picture was opened from) becomes one name in the folder being
// saved to and nothing else: a slash would reach into another folder and a NUL would cut the name
// short, so both become '-'. A name too long to take its suffix and number loses its end, at a
// character boundary, rather than making every save of it fail.
QString fileNameWithin(QString base, const QString& suffix)
{
    base.replace(QLatin1Char('/'), QLatin1Char('-'));
    base.replace(QChar(0), QLatin1Char('-'));
    const qsizetype room = kMaxFileNameBytes - QFile::encodeName(suffix).size();
    if (base.size() > room)
        base.truncate(room); // every character takes at least one byte
    if (!base.isEmpty() && base.back().isHighSurrogate())
        base.chop(1); // half a character left by the cut
    while (!base.isEmpty() && QFile::encodeName(base).size() > room)
        base.chop(base.size() >= 2 && base.back().isLowSurrogate() ? 2 : 1);
    return base + suffix;
}

} // namespace

double effectiveScale(double scale)
{
    return scale > 1.0 ? scale : 1.0;
}

std::optional<QByteArray> data(const QImage& image, const QMimeType& type, double scale)
{
    const QString name = type.name();
    if (name == QLatin1String("image/jpeg"))
        return encode(image, Format::Jpeg, scale);
    if (name == QLatin1String("image/tiff"))
        return encode(image, Format::Tiff, scale);
    return encode(image, Format::Png, scale);
}

QString defaultFileName(const QDateTime& at)
{
    return QStringLiteral("Screenshot ") +
           at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd 'at' HH.mm.ss"));
}

QString defaultFileName()
{
    return defaultFileName(QDateTime::currentDateTime());
}

std::optional<QString> saveToDirectory(const QString& directory, const QImage& image, double scale,
                                       const std::optional<QString>& name, const Clock& clock)
{
    const std::optional<QByteArray> png = encode(image, Format::Png, scale);
    if (!png)
        return std::nullopt;

    // The base is taken afresh for every candidate: with no name given, a run of collisions that
    // crosses a second goes on with the newer time stamp. An empty name counts as no name (it would
    // otherwise make the hidden file ".png").
    const auto base = [&]() -> QString {
        if (name && !name->isEmpty())
            return *name;
        return defaultFileName(clock ? clock() : QDateTime::currentDateTime());
    };
    return ExclusiveFile::write(directory, *png, [&](std::uint64_t attempt) {
        if (attempt <= 1)
            return fileNameWithin(base(), QStringLiteral(".png"));
        return fileNameWithin(base(), QStringLiteral(" (%1).png").arg(attempt));
    });
}

std::optional<QString> quickSave(const QuickSave& options, const QImage& image, double scale,
                                 const std::optional<QString>& name, const QString& title,
                                 const Clock& clock)
{
    const QString directory = quickSaveFolder(options);
    // A folder that does not exist yet is made now, as the Desktop always was.
    if (directory.isEmpty() || !QDir().mkpath(directory))
        return std::nullopt;
    const auto format = [&] {
        switch (options.format) {
        case QuickSaveFormat::png:
            return Format::Png;
        case QuickSaveFormat::jpeg:
            return Format::Jpeg;
        case QuickSaveFormat::webp:
            return Format::Webp;
        }
        return Format::Png;
    }();
    const std::optional<QByteArray> bytes = encode(image, format, scale, options.jpegQuality);
    if (!bytes)
        return std::nullopt;
    const QString suffix = QLatin1Char('.') + quickSaveSuffix(options.format);
    const bool numbered = !(name && !name->isEmpty()) && FileNamePattern::hasCounter(options.pattern);
    // As in saveToDirectory, the moment is read afresh for every candidate.
    const auto base = [&](std::uint64_t attempt) -> QString {
        if (name && !name->isEmpty())
            return *name;
        const QDateTime at = clock ? clock() : QDateTime::currentDateTime();
        if (options.pattern.isEmpty())
            return defaultFileName(at);
        return FileNamePattern::expand(options.pattern, at, title, attempt);
    };
    return ExclusiveFile::write(directory, *bytes, [&](std::uint64_t attempt) {
        if (attempt <= 1 || numbered)
            return fileNameWithin(base(attempt), suffix);
        return fileNameWithin(base(attempt), QStringLiteral(" (%1)").arg(attempt) + suffix);
    });
}

void quickSaveInBackground(const QImage& image, double scale, const std::optional<QString>& name,
                           SaveDone done, const QString& title)
{
    // The worker holds its own reference to the picture: the caller may drop its copy at once.
    auto frame = std::make_shared<QImage>(image);
    QThreadPool::globalInstance()->start(
        [frame, scale, name, title, options = currentQuickSave(), done = std::move(done)] {
            std::optional<QString> path = quickSave(options, *frame, scale, name, title, {});
            *frame = QImage(); // the frame goes back before the main thread is told
            QCoreApplication* app = QCoreApplication::instance();
            if (!app)
                return;
            QMetaObject::invokeMethod(
                app, [path = std::move(path), done = std::move(done)] { done(path); }, Qt::QueuedConnection);
        });
}

bool copyToClipboard(const QImage& image, double scale)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    // Whatever was there goes, even when there is nothing to put there: a stale picture is worse
    // than none.
    clipboard->clear(QClipboard::Clipboard);
    if (image.isNull())
        return false;
    // Encoding waits for a paste: Copy returns at once, and a type nobody asks for costs nothing.
    clipboard->setMimeData(new ImageMimeData(image, scale), QClipboard::Clipboard); // takes ownership
    return true;
}

} // namespace corvane::ImageOutput
