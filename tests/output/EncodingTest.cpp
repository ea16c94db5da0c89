// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTestSupport.h"
#include "output/ImageOutput.h"

#include <QBuffer>
#include <QImageReader>
#include <QMimeDatabase>
#include <cctype>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace corvane {
namespace {

using outputtest::dotsPerInch;
using outputtest::kJpegSignature;
using outputtest::kPngSignature;
using outputtest::kTiffBigEndianSignature;
using outputtest::kTiffLittleEndianSignature;
using outputtest::patternImage;
using outputtest::samePixels;

QMimeType mimeType(const char* name) { return QMimeDatabase().mimeTypeForName(QString::fromLatin1(name)); }

struct Decoded {
    QByteArray format; // as QImageReader names it
    QImage image;
};

Decoded decode(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    Decoded decoded;
    decoded.format = reader.format();
    decoded.image = reader.read();
    return decoded;
}

// --- effective scale ----------------------------------------------------------------------------

struct ScaleCase {
    double given;
    double effective;
};

class EffectiveScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(EffectiveScaleTest, AnythingUpToOneCountsAsOne)
{
    EXPECT_EQ(ImageOutput::effectiveScale(GetParam().given), GetParam().effective);
}

INSTANTIATE_TEST_SUITE_P(Table, EffectiveScaleTest,
                         ::testing::Values(ScaleCase{0.0, 1.0}, ScaleCase{-2.0, 1.0}, ScaleCase{0.5, 1.0},
                                           ScaleCase{1.0, 1.0}, ScaleCase{1.25, 1.25}, ScaleCase{2.0, 2.0},
                                           ScaleCase{3.0, 3.0},
                                           ScaleCase{std::numeric_limits<double>::quiet_NaN(), 1.0}));

// --- resolution metadata, per format ------------------------------------------------------------

struct ResolutionCase {
    const char* mime;
    const char* readerFormat;
    double scale;
    int dotsPerInch;
    const char* label;
};

class ResolutionTest : public ::testing::TestWithParam<ResolutionCase> {};

TEST_P(ResolutionTest, RecordsSeventyTwoTimesTheScaleAndKeepsThePixels)
{
    const ResolutionCase& row = GetParam();
    const QImage image = patternImage(120, 75);

    const auto bytes = ImageOutput::data(image, mimeType(row.mime), row.scale);
    ASSERT_TRUE(bytes);
    const Decoded decoded = decode(*bytes);

    EXPECT_EQ(decoded.format, row.readerFormat);
    ASSERT_FALSE(decoded.image.isNull());
    EXPECT_EQ(decoded.image.size(), QSize(120, 75));
    EXPECT_EQ(dotsPerInch(decoded.image.dotsPerMeterX()), row.dotsPerInch);
    EXPECT_EQ(dotsPerInch(decoded.image.dotsPerMeterY()), row.dotsPerInch);
}

#define RESOLUTION_ROWS(MIME, FORMAT)                                                                        \
    ResolutionCase{MIME, FORMAT, 2.0, 144, FORMAT "_scale2"},                                               \
        ResolutionCase{MIME, FORMAT, 0.5, 72, FORMAT "_scaleHalf"},                                         \
        ResolutionCase{MIME, FORMAT, 0.0, 72, FORMAT "_scale0"},                                            \
        ResolutionCase{MIME, FORMAT, 1.0, 72, FORMAT "_scale1"},                                            \
        ResolutionCase{MIME, FORMAT, -3.0, 72, FORMAT "_scaleNegative"},                                    \
        ResolutionCase{MIME, FORMAT, 1.5, 108, FORMAT "_scale1point5"},                                     \
        ResolutionCase{MIME, FORMAT, 3.0, 216, FORMAT "_scale3"}

INSTANTIATE_TEST_SUITE_P(Table, ResolutionTest,
                         ::testing::Values(RESOLUTION_ROWS("image/png", "png"),
                                           RESOLUTION_ROWS("image/jpeg", "jpeg"),
                                           RESOLUTION_ROWS("image/tiff", "tiff")),
                         [](const auto& param) { return std::string(param.param.label); });

#undef RESOLUTION_ROWS

// --- a Retina-sized picture keeps its pixel size --------------------------------------------------

class PixelSizeTest : public ::testing::TestWithParam<const char*> {};

TEST_P(PixelSizeTest, ScaleTwoDoesNotResample)
{
    QImage image(2880, 1800, QImage::Format_RGB32);
    image.fill(QColor(40, 44, 52));
    for (int y = 100; y < 1700; y += 50)
        for (int x = 200; x < 2600; ++x)
            image.setPixel(x, y, qRgb(x & 0xff, y & 0xff, 200));

    const auto bytes = ImageOutput::data(image, mimeType(GetParam()), 2.0);
    ASSERT_TRUE(bytes);
    const Decoded decoded = decode(*bytes);
    EXPECT_EQ(decoded.image.size(), QSize(2880, 1800));
    EXPECT_EQ(dotsPerInch(decoded.image.dotsPerMeterX()), 144);
}

INSTANTIATE_TEST_SUITE_P(Formats, PixelSizeTest, ::testing::Values("image/png", "image/jpeg", "image/tiff"),
                         [](const auto& param) { return std::string(param.param).substr(6); });

// --- which format each type gets ------------------------------------------------------------------

class FallsBackToPngTest : public ::testing::TestWithParam<const char*> {};

TEST_P(FallsBackToPngTest, GivesLosslessPng)
{
    const QMimeType type = mimeType(GetParam());
    const QImage image = patternImage(50, 30, 3, /*translucent=*/true);

    const auto bytes = ImageOutput::data(image, type, 2.0);
    ASSERT_TRUE(bytes);
    EXPECT_TRUE(bytes->startsWith(kPngSignature)) << "type " << type.name().toStdString();
    const Decoded decoded = decode(*bytes);
    EXPECT_EQ(decoded.format, "png");
    EXPECT_TRUE(samePixels(decoded.image, image));
}

INSTANTIATE_TEST_SUITE_P(Types, FallsBackToPngTest,
                         ::testing::Values("image/png", "image/gif", "image/heic", "image/webp", "image/bmp",
                                           "application/pdf"),
                         [](const auto& param) {
                             std::string name(param.param);
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(FallsBackToPngTest, TheTypesInTheTableAreKnownToTheMimeDatabase)
{
    // Otherwise the table above would only be testing the invalid type.
    for (const char* name : {"image/gif", "image/heic", "image/webp"})
        EXPECT_TRUE(mimeType(name).isValid()) << name;
}

TEST(FallsBackToPngTest, AnInvalidTypeGivesPng)
{
    const auto bytes = ImageOutput::data(patternImage(8, 8), QMimeType(), 1.0);
    ASSERT_TRUE(bytes);
    EXPECT_TRUE(bytes->startsWith(kPngSignature));
}

// --- JPEG -------------------------------------------------------------------------------------------

class JpegTest : public ::testing::TestWithParam<QImage::Format> {};

TEST_P(JpegTest, HasNoAlphaChannelAndKeepsOpaqueColours)
{
    // Left half opaque red, right half half-transparent blue.
    QImage image(64, 32, QImage::Format_ARGB32);
    image.fill(Qt::red);
    for (int y = 0; y < 32; ++y)
        for (int x = 32; x < 64; ++x)
            image.setPixel(x, y, qRgba(0, 0, 255, 128));
    image = image.convertToFormat(GetParam());

    const auto bytes = ImageOutput::data(image, mimeType("image/jpeg"), 1.0);
    ASSERT_TRUE(bytes);
    EXPECT_TRUE(bytes->startsWith(kJpegSignature));
    const Decoded decoded = decode(*bytes);
    EXPECT_EQ(decoded.format, "jpeg");
    ASSERT_FALSE(decoded.image.isNull());
    EXPECT_FALSE(decoded.image.hasAlphaChannel());
    const QColor opaque = decoded.image.pixelColor(8, 16);
    EXPECT_GE(opaque.red(), 245);
    EXPECT_LE(opaque.green(), 10);
    EXPECT_LE(opaque.blue(), 10);
}

INSTANTIATE_TEST_SUITE_P(SourceFormats, JpegTest,
                         ::testing::Values(QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied,
                                           QImage::Format_RGBA8888, QImage::Format_RGBA64, QImage::Format_RGB32,
                                           QImage::Format_RGB888));

// The encoder's luminance quantisation table is the standard one scaled for the quality: read it from
// the DQT segment and compare with libjpeg's table for quality 92 (zigzag order, as stored).
QByteArray luminanceQuantisationTable(const QByteArray& jpeg)
{
    qsizetype at = 2; // after SOI
    while (at + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[at]) == 0xFF) {
        const auto marker = static_cast<unsigned char>(jpeg[at + 1]);
        const int length = (static_cast<unsigned char>(jpeg[at + 2]) << 8) | static_cast<unsigned char>(jpeg[at + 3]);
        if (marker == 0xDB) {
            qsizetype table = at + 4;
            const qsizetype end = at + 2 + length;
            while (table < end) {
                const auto info = static_cast<unsigned char>(jpeg[table]);
                const int precision = info >> 4;
                if ((info & 0x0F) == 0 && precision == 0)
                    return jpeg.mid(table + 1, 64);
                table += 1 + 64 * (precision + 1);
            }
        }
        if (marker == 0xDA)
            break;
        at += 2 + length;
    }
    return {};
}

TEST(JpegQualityTest, IsNinetyTwo)
{
    const auto bytes = ImageOutput::data(patternImage(64, 64), mimeType("image/jpeg"), 1.0);
    ASSERT_TRUE(bytes);
    const QByteArray table = luminanceQuantisationTable(*bytes);
    const QByteArray quality92 = QByteArray::fromRawData(
        "\x03\x02\x02\x02\x02\x02\x03\x02\x02\x02\x03\x03\x03\x03\x04\x06\x04\x04\x04\x04\x04\x08\x06\x06"
        "\x05\x06\x09\x08\x0a\x0a\x09\x08\x09\x09\x0a\x0c\x0f\x0c\x0a\x0b\x0e\x0b\x09\x09\x0d\x11\x0d\x0e"
        "\x0f\x10\x10\x11\x10\x0a\x0c\x12\x13\x12\x10\x13\x0f\x10\x10\x10",
        64);
    EXPECT_EQ(table.toHex(' '), quality92.toHex(' '));
}

// --- TIFF and PNG are lossless --------------------------------------------------------------------

TEST(TiffTest, DecodesToTheSamePixels)
{
    const QImage image = patternImage(40, 24, 5, /*translucent=*/true);
    const auto bytes = ImageOutput::data(image, mimeType("image/tiff"), 2.0);
    ASSERT_TRUE(bytes);
    EXPECT_TRUE(bytes->startsWith(kTiffLittleEndianSignature) || bytes->startsWith(kTiffBigEndianSignature));
    const Decoded decoded = decode(*bytes);
    EXPECT_EQ(decoded.format, "tiff");
    // Qt writes TIFF with associated (premultiplied) alpha.
    EXPECT_TRUE(samePixels(decoded.image, image, QImage::Format_ARGB32_Premultiplied));
}

TEST(PngTest, DecodesToTheSamePixels)
{
    const QImage image = patternImage(40, 24, 6, /*translucent=*/true);
    const auto bytes = ImageOutput::data(image, mimeType("image/png"), 2.0);
    ASSERT_TRUE(bytes);
    EXPECT_TRUE(samePixels(decode(*bytes).image, image));
}

TEST(EncodingTest, LeavesTheCallersImageAlone)
{
    QImage image = patternImage(16, 16);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    const QImage before = image;
    ASSERT_TRUE(ImageOutput::data(image, mimeType("image/jpeg"), 2.0));
    ASSERT_TRUE(ImageOutput::data(image, mimeType("image/png"), 2.0));
    EXPECT_EQ(image.dotsPerMeterX(), 3780);
    EXPECT_EQ(image.format(), QImage::Format_ARGB32);
    EXPECT_TRUE(samePixels(image, before));
}

// --- nothing to encode --------------------------------------------------------------------------------

class NullImageTest : public ::testing::TestWithParam<const char*> {};

TEST_P(NullImageTest, GivesNothing) { EXPECT_FALSE(ImageOutput::data(QImage(), mimeType(GetParam()), 2.0)); }

INSTANTIATE_TEST_SUITE_P(Types, NullImageTest, ::testing::Values("image/png", "image/jpeg", "image/tiff", "image/gif"),
                         [](const auto& param) { return std::string(param.param).substr(6); });

} // namespace
} // namespace corvane
