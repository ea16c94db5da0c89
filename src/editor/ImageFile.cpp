// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ImageFile.h"

#include <QFileInfo>
#include <QImageReader>
#include <cmath>

namespace corvane {

namespace {

// Qt gives a picture the screen's default resolution when its file records none; that must not
// count as a recorded resolution, or every such file would open at 96/72 = 1.33.
bool recordsResolution(const QImage& image)
{
    const QImage fresh(1, 1, QImage::Format_RGB32);
    return image.dotsPerMeterX() != fresh.dotsPerMeterX() && image.dotsPerMeterX() > 0;
}

} // namespace

std::optional<OpenedImage> loadImageFile(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;

    double scale = 1;
    if (recordsResolution(image)) {
        const double dpi = image.dotsPerMeterX() * 0.0254;
        // Files store dots per metre in whole numbers: 144 dpi comes back as 143.99.
        scale = std::max(std::round(dpi / 72 * 100) / 100, 1.0);
    }
    return OpenedImage{image, scale, QFileInfo(path).completeBaseName()};
}

} // namespace corvane
