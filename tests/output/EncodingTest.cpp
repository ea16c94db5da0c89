// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTestSupport.h"
#include "output/ImageOutput.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QMimeDatabase>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace outputtest;

QMimeType mimeType(const char* name)
{
    return QMimeDatabase().mimeTypeForName(QString::fromLatin1(name));
}

// The format the bytes turn out to be in, as QImageReader names it, and the picture they hold.
std::pair<QByteArray, QImage> decode(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    return {format, reader.read()};
}

TEST(EncodingTest, RecordsSeventyTwoTimesTheScaleButNeverLessAndKeepsThePixelSize)
{
    struct Case {
        const char* mime;
        const char* format;
        double scale;
        int dotsPerInch;
    };
    const std::vector<Case> cases{
        {"image/png", "png", 2, 144},   {"image/png", "png", 0.5, 72},  {"image/png", "png", 0, 72},
        {"image/png", "png", 1.5, 108}, {"image/jpeg", "jpeg", 2, 144}, {"image/jpeg", "jpeg", 0.5, 72},
        {"image/jpeg", "jpeg", 0, 72},  {"image/tiff", "tiff", 2, 144}, {"image/tiff", "tiff", 0.5, 72},
        {"image/tiff", "tiff", 0, 72},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.mime << " at scale " << c.scale);
        const auto bytes = ImageOutput::data(patternImage(120, 75), mimeType(c.mime), c.scale);
        ASSERT_TRUE(bytes);
        const auto [format, image] = decode(*bytes);
        EXPECT_EQ(format, c.format);
        EXPECT_EQ(image.size(), QSize(120, 75));
        EXPECT_EQ(dotsPerInch(image), c.dotsPerInch);
    }
}

TEST(EncodingTest, OtherTypesGiveLosslessPng)
{
    const QImage image = patternImage(50, 30, 3, /*translucent=*/true);
    for (const char* name : {"image/gif", "image/heic", "image/png", ""}) {
        SCOPED_TRACE(name);
        // A type the database does not know would only repeat the invalid-type row.
        EXPECT_EQ(mimeType(name).isValid(), *name != '\0');
        const auto bytes = ImageOutput::data(image, mimeType(name), 2.0);
        ASSERT_TRUE(bytes);
        EXPECT_TRUE(bytes->startsWith(kPngSignature));
        EXPECT_TRUE(samePixels(decode(*bytes).second, image));
    }
    EXPECT_FALSE(ImageOutput::data(QImage(), mimeType("image/png"), 2.0));
}

TEST(EncodingTest, JpegHasNoAlphaAndKeepsTheColours)
{
    // Dropping the alpha must keep the colour as it is, not darken it as premultiplying would.
    QImage image(64, 32, QImage::Format_ARGB32);
    image.fill(QColor(255, 0, 0, 128));

    const auto bytes = ImageOutput::data(image, mimeType("image/jpeg"), 1.0);
    ASSERT_TRUE(bytes);
    EXPECT_TRUE(bytes->startsWith("\xFF\xD8\xFF"));
    const QImage decoded = decode(*bytes).second;
    ASSERT_FALSE(decoded.isNull());
    EXPECT_FALSE(decoded.hasAlphaChannel());
    const QColor opaque = decoded.pixelColor(8, 16);
    EXPECT_GE(opaque.red(), 245);
    EXPECT_LE(opaque.green(), 10);
    EXPECT_LE(opaque.blue(), 10);
}

TEST(EncodingTest, JpegQualityIsNinetyTwo)
{
    // The first luminance quantisation table (DQT) is libjpeg's standard one scaled for quality 92.
    const auto bytes = ImageOutput::data(patternImage(64, 64), mimeType("image/jpeg"), 1.0);
    ASSERT_TRUE(bytes);
    const QByteArray quality92 = QByteArray::fromHex(
        "030202020202030202020303030304060404040404080606050609080a0a090809090a0c0f0c0a0b0e0b09090d110d0e"
        "0f101011100a0c12131210130f101010");
    const qsizetype dqt = bytes->indexOf(QByteArray::fromHex("ffdb0043"));
    ASSERT_GE(dqt, 0);
    EXPECT_EQ(bytes->mid(dqt + 4, 1 + 64).toHex(), (QByteArray(1, '\0') + quality92).toHex());
}

TEST(ClipboardTest, OffersPngFirstThenTiffWithTheSamePixels)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    ASSERT_NE(clipboard, nullptr);
    clipboard->setText(QStringLiteral("something older"));
    const QImage image = patternImage(64, 40, 8);

    EXPECT_TRUE(ImageOutput::copyToClipboard(image, 2.0));

    const QMimeData* data = clipboard->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->formats(), QStringList({"image/png", "image/tiff"}));
    for (const char* type : {"image/png", "image/tiff"}) {
        SCOPED_TRACE(type);
        const QImage pasted = decode(data->data(QString::fromLatin1(type))).second;
        EXPECT_TRUE(samePixels(pasted, image));
        EXPECT_EQ(dotsPerInch(pasted), 144);
    }

    // A stale picture is worse than none: the older contents go even when nothing can be encoded.
    EXPECT_FALSE(ImageOutput::copyToClipboard(QImage(), 2.0));
    EXPECT_TRUE(!clipboard->mimeData() || clipboard->mimeData()->formats().isEmpty());
}

} // namespace
} // namespace corvane
