// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// The source that serves pictures from files, which CORVANE_CAPTURE_SOURCE=files:DIR chooses, and the
// release of an idle source's resources.
#include "capture/CaptureSourceFactory.h"
#include "capture/IdleRelease.h"
#include "capture/ScreenCapturer.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(CaptureSourceTest, AFolderServesEachScreenItsNamedPictureAndAMissingOneIsUnavailable)
{
    QTemporaryDir folder;
    QImage picture(1440, 900, QImage::Format_RGB32);
    picture.fill(QColor(12, 34, 56));
    picture.setPixel(1439, 899, qRgb(200, 100, 0));
    ASSERT_TRUE(picture.save(folder.filePath(QStringLiteral("A.png"))));

    qputenv("CORVANE_CAPTURE_SOURCE", "files:" + folder.path().toUtf8());
    const std::unique_ptr<CaptureSource> source = makeCaptureSource();
    ASSERT_TRUE(source->available());
    const QImage grabbed = source->grab(*QGuiApplication::screens()[0]);
    ASSERT_EQ(grabbed.size(), QSize(1440, 900));
    EXPECT_EQ(grabbed.pixel(0, 0), qRgb(12, 34, 56));
    EXPECT_EQ(grabbed.pixel(1439, 899), qRgb(200, 100, 0));
    EXPECT_TRUE(source->grab(*QGuiApplication::screens()[1]).isNull()); // no B.png

    qputenv("CORVANE_CAPTURE_SOURCE", "files:/nonexistent/corvane-capture");
    EXPECT_FALSE(makeCaptureSource()->available());
    qunsetenv("CORVANE_CAPTURE_SOURCE");
}

struct CountingSource final : CaptureSource {
    int releases = 0;
    bool available() override { return true; }
    QImage grab(const QScreen&) override { return {}; }
    void releaseIdleResources() override { ++releases; }
    QString refusalExplanation() const override { return {}; }
};

TEST(IdleReleaseTest, TheSourceLetsGoOnceAfterEachQuietSpellNotDuringABurst)
{
    auto owned = std::make_unique<CountingSource>();
    CountingSource& source = *owned;
    ScreenCapturer::setSource(std::move(owned));
    using std::chrono::milliseconds;
    IdleRelease::setDelays(milliseconds(5), milliseconds(1000));
    const struct {
        int captures;      // ended one after another, 20 ms apart: well inside the quiet delay
        int releasesAfter; // once the quiet delay has passed
    } bursts[] = {{1, 1}, {4, 2}, {0, 2}};
    for (const auto& burst : bursts) {
        for (int i = 0; i < burst.captures; ++i) {
            IdleRelease::captureEnded();
            QTest::qWait(20);
            EXPECT_EQ(source.releases, burst.releasesAfter - 1) << "released during a burst";
        }
        QTest::qWait(1500);
        EXPECT_EQ(source.releases, burst.releasesAfter);
    }
    IdleRelease::setDelays(milliseconds(2000), milliseconds(30000));
}

} // namespace
} // namespace corvane
