// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTestSupport.h"
#include "output/ImageMimeData.h"
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

// The format the bytes turn out to be in, as QImageReader names it, and the picture they hold.
std::pair<QByteArray, QImage> decode(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    return {format, reader.read()};
}

TEST(EncodingTest, EachTypeRecordsSeventyTwoTimesTheScaleButNeverLessAndKeepsThePixels)
{
    const struct {
        const char* mime;
        const char* format;
        double scale;
        int dotsPerInch;
    } cases[] = {
        {"image/png", "png", 2, 144},   {"image/png", "png", 0.5, 72}, {"image/png", "png", 1.5, 108},
        {"image/jpeg", "jpeg", 2, 144}, {"image/jpeg", "jpeg", 0, 72}, {"image/tiff", "tiff", 2, 144},
        {"image/gif", "png", 2, 144},   {"", "png", 2, 144}, // no type at all
    };
    const QImage translucent = patternImage(50, 30, 3, true);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.mime << " at scale " << c.scale);
        const auto bytes = ImageOutput::data(translucent, QMimeDatabase().mimeTypeForName(c.mime), c.scale);
        ASSERT_TRUE(bytes);
        const auto [format, image] = decode(*bytes);
        EXPECT_EQ(format, c.format);
        EXPECT_EQ(image.size(), QSize(50, 30));
        EXPECT_EQ(qRound(image.dotsPerMeterX() * 0.0254), c.dotsPerInch);
        EXPECT_TRUE(format != "png" || samePixels(image, translucent));
    }
    EXPECT_FALSE(ImageOutput::data(QImage(), QMimeDatabase().mimeTypeForName("image/png"), 2.0));
}

TEST(EncodingTest, JpegDropsTheAlphaAndKeepsTheColours)
{
    // Dropping the alpha must keep the colour as it is, not darken it as premultiplying would.
    QImage image(64, 32, QImage::Format_ARGB32);
    image.fill(QColor(255, 0, 0, 128));
    const QImage decoded = decode(*ImageOutput::data(image, QMimeDatabase().mimeTypeForName("image/jpeg"), 1)).second;
    ASSERT_FALSE(decoded.isNull());
    EXPECT_FALSE(decoded.hasAlphaChannel());
    const QColor colour = decoded.pixelColor(8, 16);
    EXPECT_GE(colour.red(), 245);
    EXPECT_LE(colour.green() + colour.blue(), 20);
}

TEST(ClipboardTest, TypesAreEncodedOnTheFirstRequestOnlyAndAFailedCopyEmptiesTheClipboard)
{
    const QImage picture = patternImage(90, 70, 4);
    ImageMimeData data(picture, 2.0);
    EXPECT_EQ(data.encodings(), 0) << "nothing is encoded before a program asks";
    // A paste takes the first type it can use: the lossless PNG before the TIFF.
    EXPECT_EQ(data.formats(), (QStringList{"image/png", "image/tiff"}));
    const struct {
        const char* type;
        const char* head;   // empty when the type is not offered
        int encodingsAfter; // each type once
    } requests[] = {{"image/png", "\x89PNG", 1}, {"image/png", "\x89PNG", 1}, {"text/plain", "", 1},
                    {"image/tiff", "II*", 2},    {"image/jpeg", "", 2},       {"image/tiff", "II*", 2}};
    for (const auto& r : requests) {
        SCOPED_TRACE(r.type);
        const QByteArray bytes = data.data(QString::fromLatin1(r.type));
        EXPECT_EQ(data.hasFormat(QString::fromLatin1(r.type)), *r.head != '\0');
        EXPECT_TRUE(bytes.startsWith(r.head));
        EXPECT_TRUE(bytes.isEmpty() || samePixels(QImage::fromData(bytes), picture));
        EXPECT_EQ(data.encodings(), r.encodingsAfter);
    }

    // A stale picture is worse than none: the older contents go even when nothing can be encoded.
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("something older"));
    EXPECT_FALSE(ImageOutput::copyToClipboard(QImage(), 2.0));
    EXPECT_TRUE(!clipboard->mimeData() || clipboard->mimeData()->formats().isEmpty());
}

} // namespace
} // namespace corvane
