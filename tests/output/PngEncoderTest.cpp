// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTestSupport.h"
#include "output/ImageOutput.h"
#include "output/PngEncoder.h"

#include <QColorSpace>
#include <QMimeDatabase>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace outputtest;

// Opaque pictures big enough to be compressed in pieces on several threads and joined, as stored blocks
// where the noise does not compress, with more bands than cores, are every e2e.capture case's: the
// monitors show random noise, compared pixel for pixel in the PNG from the clipboard or the Desktop.
TEST(PngEncoderTest, QtReadsBackEveryPixelWithTheRecordedResolution)
{
    const struct {
        QImage::Format format;
        int width, height;
        int colourType; // byte 9 of IHDR: 2 RGB, 6 RGBA
    } cases[] = {
        {QImage::Format_RGB32, 301, 257, 2}, {QImage::Format_ARGB32, 301, 257, 6},
        {QImage::Format_ARGB32_Premultiplied, 64, 200, 6}, {QImage::Format_RGB32, 1, 1, 2},
        {QImage::Format_ARGB32, 1, 130, 6},
        // Big enough to be compressed in pieces on several threads and joined.
        {QImage::Format_ARGB32, 900, 700, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.format << " " << c.width << "x" << c.height);
        // A flat band over the top third, as screenshots have, above the many-coloured pattern.
        QImage picture = patternImage(c.width, c.height, 5, c.format != QImage::Format_RGB32).convertToFormat(c.format);
        for (int y = 0; y < c.height / 3; ++y)
            for (int x = 0; x < c.width; ++x)
                picture.setPixelColor(x, y, QColor(30, 30, 30));
        ASSERT_TRUE(PngEncoder::supports(picture));
        const std::optional<QByteArray> png = PngEncoder::encode(picture, 5669);
        ASSERT_TRUE(png);
        EXPECT_EQ(png->at(8 + 8 + 9), char(c.colourType));
        const QImage decoded = QImage::fromData(*png, "PNG");
        EXPECT_EQ(decoded.dotsPerMeterX(), 5669);
        EXPECT_EQ(decoded.dotsPerMeterY(), 5669);
        EXPECT_TRUE(samePixels(decoded, picture));
    }
}

TEST(PngEncoderTest, PicturesItDoesNotWriteGoThroughQtAndStillComeBackWhole)
{
    QImage profiled = patternImage(40, 30);
    profiled.setColorSpace(QColorSpace::DisplayP3);
    QImage described = patternImage(40, 30);
    described.setText(QStringLiteral("Title"), QStringLiteral("shot"));
    for (const QImage& image : {patternImage(40, 30).convertToFormat(QImage::Format_Grayscale8),
                                patternImage(40, 30).convertToFormat(QImage::Format_RGB888),
                                patternImage(40, 30).convertToFormat(QImage::Format_RGBA64), profiled, described}) {
        SCOPED_TRACE(image.format());
        EXPECT_FALSE(PngEncoder::supports(image));
        EXPECT_FALSE(PngEncoder::encode(image, 2835));
        const auto bytes = ImageOutput::data(image, QMimeDatabase().mimeTypeForName(QStringLiteral("image/png")), 1);
        ASSERT_TRUE(bytes);
        const QImage decoded = QImage::fromData(*bytes, "PNG");
        EXPECT_TRUE(samePixels(decoded, image));
        EXPECT_TRUE(!image.colorSpace().isValid() || decoded.colorSpace() == image.colorSpace());
    }
    EXPECT_FALSE(PngEncoder::encode(QImage(), 2835));
}

} // namespace
} // namespace corvane
