// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTestSupport.h"
#include "output/ImageOutput.h"
#include "output/PngEncoder.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QMimeDatabase>
#include <QThread>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace outputtest;

std::uint32_t be32(const QByteArray& bytes, qsizetype at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + at);
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// The chunk names in order, runs of IDAT counted once.
QStringList chunkNames(const QByteArray& png)
{
    QStringList names;
    for (qsizetype at = 8; at + 8 <= png.size(); at += 12 + be32(png, at)) {
        const QString name = QString::fromLatin1(png.mid(at + 4, 4));
        if (names.isEmpty() || names.last() != name || name != "IDAT")
            names.append(name);
    }
    return names;
}

// Rows of flat colour, a gradient and noise-like stripes, with a few pixels set to known values; tall
// enough that the rows are shared out between threads.
QImage testPicture(QImage::Format format, int width, int height)
{
    QImage image = patternImage(width, height, 5, format != QImage::Format_RGB32).convertToFormat(format);
    for (int y = 0; y < height / 3; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor(30, 30, 30));
    image.setPixelColor(0, 0, QColor(255, 0, 0));
    image.setPixelColor(width - 1, height - 1, QColor(0, 0, 255, 128));
    return image;
}

TEST(PngEncoderTest, QtReadsBackEveryPixelWithTheRecordedResolution)
{
    struct Case {
        QImage::Format format;
        int width, height;
        int colourType;   // byte 9 of IHDR: 2 RGB, 6 RGBA
        QRgb lastPixel;   // what the reader gives for the bottom-right pixel
    };
    const Case cases[] = {
        {QImage::Format_RGB32, 301, 257, 2, 0xff0000ff},
        {QImage::Format_ARGB32, 301, 257, 6, 0x800000ff},
        {QImage::Format_ARGB32_Premultiplied, 64, 200, 6, 0x800000ff},
        {QImage::Format_RGB32, 1, 1, 2, 0xff0000ff},
        {QImage::Format_ARGB32, 1, 130, 6, 0x800000ff},
        // Big enough to be compressed in pieces on several threads and joined.
        {QImage::Format_RGB32, 1000, 800, 2, 0xff0000ff},
        {QImage::Format_ARGB32, 900, 700, 6, 0x800000ff},
        // More bands than cores, each thread taking several in turn.
        {QImage::Format_RGB32, 1900, 1000, 2, 0xff0000ff},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.format << " " << c.width << "x" << c.height);
        const QImage picture = testPicture(c.format, c.width, c.height);
        ASSERT_TRUE(PngEncoder::supports(picture));
        const std::optional<QByteArray> png = PngEncoder::encode(picture, 5669);
        ASSERT_TRUE(png);
        EXPECT_EQ(chunkNames(*png), (QStringList{"IHDR", "pHYs", "IDAT", "IEND"}));
        EXPECT_EQ(png->at(8 + 8 + 9), char(c.colourType));
        const QImage decoded = QImage::fromData(*png, "PNG");
        ASSERT_EQ(decoded.size(), QSize(c.width, c.height));
        EXPECT_EQ(decoded.dotsPerMeterX(), 5669);
        EXPECT_EQ(decoded.dotsPerMeterY(), 5669);
        EXPECT_EQ(decoded.convertToFormat(QImage::Format_ARGB32).pixel(c.width - 1, c.height - 1),
                  c.lastPixel);
        if (c.height > 1) {
            EXPECT_EQ(decoded.pixel(0, 0), 0xffff0000u);
            EXPECT_EQ(decoded.pixel(c.width / 2, 1), 0xff1e1e1eu);
        }
        EXPECT_TRUE(samePixels(decoded, picture));
    }
}

TEST(PngEncoderTest, PicturesItDoesNotWriteGoThroughQtAndStillComeBackWhole)
{
    QImage profiled = patternImage(40, 30);
    profiled.setColorSpace(QColorSpace::DisplayP3);
    QImage described = patternImage(40, 30);
    described.setText(QStringLiteral("Title"), QStringLiteral("shot"));
    const struct {
        const char* what;
        QImage image;
    } cases[] = {
        {"grey", patternImage(40, 30).convertToFormat(QImage::Format_Grayscale8)},
        {"24-bit", patternImage(40, 30).convertToFormat(QImage::Format_RGB888)},
        {"16-bit", patternImage(40, 30).convertToFormat(QImage::Format_RGBA64)},
        {"colour profile", profiled},
        {"text", described},
        {"null", QImage()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(PngEncoder::supports(c.image));
        EXPECT_FALSE(PngEncoder::encode(c.image, 2835));
        if (c.image.isNull())
            continue;
        const auto bytes =
            ImageOutput::data(c.image, QMimeDatabase().mimeTypeForName(QStringLiteral("image/png")), 1);
        ASSERT_TRUE(bytes);
        EXPECT_TRUE(samePixels(QImage::fromData(*bytes, "PNG"), c.image));
    }
    EXPECT_EQ(QImage::fromData(*ImageOutput::data(profiled, QMimeDatabase().mimeTypeForName("image/png"), 1))
                  .colorSpace(),
              QColorSpace(QColorSpace::DisplayP3));
}

// Background saves report on the main thread, after the file is complete, or that they failed.
TEST(BackgroundSaveTest, ReportsTheFinishedFileOrTheFailure)
{
    QTemporaryDir home;
    const ScopedEnvironment homeVariable("HOME", home.path().toUtf8());
    const ScopedEnvironment config("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    const QImage picture = testPicture(QImage::Format_RGB32, 640, 480);
    const struct {
        const char* what;
        bool desktopIsAFile;
        bool saved;
    } cases[] = {{"a Desktop folder made on the way", false, true}, {"a file in the way", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(home.filePath("Desktop")).removeRecursively();
        QFile::remove(home.filePath("Desktop"));
        if (c.desktopIsAFile) {
            ASSERT_TRUE(writeFile(home.filePath("Desktop"), "not a folder"));
        }
        int reports = 0;
        std::optional<QString> reported;
        QImage whenReported;
        ImageOutput::saveToDesktopInBackground(picture, 2.0, QStringLiteral("shot"),
                                               [&](const std::optional<QString>& path) {
                                                   EXPECT_EQ(QThread::currentThread(), qApp->thread());
                                                   ++reports;
                                                   reported = path;
                                                   if (path)
                                                       whenReported = QImage(*path, "PNG");
                                               });
        EXPECT_TRUE(QTest::qWaitFor([&] { return reports > 0; }, 20000));
        QCoreApplication::processEvents();
        EXPECT_EQ(reports, 1);
        if (c.saved) {
            ASSERT_TRUE(reported);
            EXPECT_EQ(*reported, home.filePath("Desktop/shot.png"));
            EXPECT_TRUE(samePixels(whenReported, picture));
            EXPECT_EQ(dotsPerInch(whenReported), 144);
            EXPECT_EQ(entries(home.filePath("Desktop")), QStringList{"shot.png"}) << "no hidden leftovers";
        } else {
            EXPECT_FALSE(reported);
            EXPECT_EQ(readAll(home.filePath("Desktop")), "not a folder");
        }
    }
}

} // namespace
} // namespace corvane
