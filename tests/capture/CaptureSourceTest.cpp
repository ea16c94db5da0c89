// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// Which source a process gets, and the source that serves pictures from files.
#include "capture/CaptureSourceFactory.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(CaptureSourceTest, FolderServesEachScreenItsNamedPicture)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 3);
    QImage picture(1440, 900, QImage::Format_RGB32);
    picture.fill(QColor(12, 34, 56));
    picture.setPixel(1439, 899, qRgb(200, 100, 0));
    ASSERT_TRUE(picture.save(folder.filePath(QStringLiteral("A.png"))));

    qputenv("CORVANE_CAPTURE_SOURCE", "files:" + folder.path().toUtf8());
    const std::unique_ptr<CaptureSource> source = makeCaptureSource();
    ASSERT_TRUE(source->available());
    const QImage grabbed = source->grab(*screens[0]);
    ASSERT_EQ(grabbed.size(), QSize(1440, 900));
    EXPECT_EQ(grabbed.pixel(0, 0), qRgb(12, 34, 56));
    EXPECT_EQ(grabbed.pixel(1439, 899), qRgb(200, 100, 0));
    EXPECT_TRUE(source->grab(*screens[1]).isNull()); // no B.png
}

TEST(CaptureSourceTest, MissingFolderIsUnavailable)
{
    qputenv("CORVANE_CAPTURE_SOURCE", "files:/nonexistent/corvane-capture");
    EXPECT_FALSE(makeCaptureSource()->available());
}

TEST(CaptureSourceTest, DisplayServerWithoutBackendIsNeverAvailable)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    qunsetenv("CORVANE_CAPTURE_SOURCE");
    const std::unique_ptr<CaptureSource> source = makeCaptureSource();
    EXPECT_FALSE(source->available());
    EXPECT_EQ(source->refusalExplanation(),
              QStringLiteral("Screen capture is not supported on this display server yet."));
}

} // namespace
} // namespace corvane
