// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/PictureDecoder.h"

#include <QFile>
#include <QImageReader>
#include <cmath>

namespace corvane {

namespace {

// Qt's own ceiling (256 MB by default refuses an honest 12000 x 12000 photo). It must admit the pixel
// budget at four bytes a pixel, and stays as a second guard for formats whose header tells no size.
constexpr int kAllocationLimitMb = 1100;

// Qt gives a picture the screen's default resolution when its file records none; that must not
// count as a recorded resolution, or every such file would open at 96/72 = 1.33.
bool recordsResolution(const QImage& image)
{
    const QImage fresh(1, 1, QImage::Format_RGB32);
    return image.dotsPerMeterX() != fresh.dotsPerMeterX() && image.dotsPerMeterX() > 0;
}

bool withinBudget(QSize size, const DecodeLimits& limits)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= limits.maxSide &&
           size.height() <= limits.maxSide && qint64(size.width()) * size.height() <= limits.maxPixels;
}

} // namespace

std::optional<DecodedPicture> decodePicture(QIODevice& device, const DecodeLimits& limits)
{
    QImageReader reader(&device);
    // A JPEG saved with a .png name must still open; the suffix is only a hint.
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(kAllocationLimitMb);
    if (!reader.canRead())
        return std::nullopt;
    // The budget is checked against the header before any pixel is decoded, so a few hundred bytes
    // claiming 100000 x 100000 cost nothing. Some formats learn their size only while decoding;
    // those are left to the allocation limit.
    const QSize claimed = reader.size();
    if (claimed.isValid() && !withinBudget(claimed, limits))
        return std::nullopt;

    QImage image = reader.read();
    if (image.isNull() || !withinBudget(image.size(), limits))
        return std::nullopt;
    // Grey, indexed and 16-bit files decode to formats the canvas would convert on every paint. Moved,
    // so that a same-depth conversion (ARGB32 to premultiplied) reuses the pixels instead of doubling them.
    const auto fast = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    image = std::move(image).convertToFormat(fast);
    if (image.isNull())
        return std::nullopt;

    double scale = 1;
    if (recordsResolution(image)) {
        const double dpi = image.dotsPerMeterX() * 0.0254;
        // Files store dots per metre in whole numbers: 144 dpi comes back as 143.99.
        scale = std::max(std::round(dpi / 72 * 100) / 100, 1.0);
    }
    return DecodedPicture{image, scale};
}

std::optional<DecodedPicture> InProcessDecoder::decode(int fd, const DecodeLimits& limits) const
{
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return std::nullopt;
    return decodePicture(file, limits);
}

} // namespace corvane
