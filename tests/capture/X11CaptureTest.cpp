// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs under a virtual X server whose root window shows a known picture, put there by another program
// (ImageMagick's display), and read back through the real X11 source. The server draws its pointer in
// the middle of the screen, so an exact match also shows that the pointer is left out.
#include "CapturePrinters.h"
#include "capture/CaptureSourceFactory.h"
#include "capture/ScreenCapturer.h"
#include "platform/x11/X11CaptureSource.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <memory>
#include <gtest/gtest.h>
#include <random>

namespace corvane {
namespace {

using x11::X11CaptureSource;

// Noise, so that a shifted row, a swapped channel or a stale buffer cannot match by chance.
QImage noise(QSize size, std::uint32_t seed)
{
    std::mt19937 generator(seed);
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(generator() & 0xff, generator() & 0xff, generator() & 0xff);
    }
    return image;
}

void showOnRoot(const QImage& picture)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("root.png"));
    ASSERT_TRUE(picture.save(path));
    QProcess display;
    display.start(QStringLiteral("display"), {"-window", "root", path});
    ASSERT_TRUE(display.waitForFinished(20000)) << "ImageMagick's display did not finish";
    // display exits 1 even when it has set the background; the grabs below are the real check.
    ASSERT_EQ(display.exitStatus(), QProcess::NormalExit);
}

// Pixels that differ as whole 32-bit words, alpha byte included (QImage::operator== ignores the alpha
// of Format_RGB32); -1 when sizes or formats differ.
qint64 differingPixels(const QImage& grabbed, const QImage& expected)
{
    if (grabbed.size() != expected.size() || grabbed.format() != QImage::Format_RGB32 ||
        expected.format() != QImage::Format_RGB32)
        return -1;
    qint64 count = 0;
    for (int y = 0; y < grabbed.height(); ++y) {
        const auto* a = reinterpret_cast<const std::uint32_t*>(grabbed.constScanLine(y));
        const auto* b = reinterpret_cast<const std::uint32_t*>(expected.constScanLine(y));
        for (int x = 0; x < grabbed.width(); ++x)
            count += a[x] != b[x];
    }
    return count;
}

TEST(X11CaptureTest, SharedMemoryAndGetImageBothGiveTheRootPixelForPixel)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_EQ(screen->geometry(), QRect(0, 0, 1280, 800));
    const QImage first = noise(QSize(1280, 800), 1);
    showOnRoot(first);

    X11CaptureSource shared;
    X11CaptureSource plain(X11CaptureSource::Transfer::getImage);
    ASSERT_TRUE(shared.available());
    shared.warmUp();
    EXPECT_EQ(differingPixels(shared.grab(*screen), first), 0);
    EXPECT_EQ(shared.lastTransfer(), X11CaptureSource::Transfer::sharedMemory);
    EXPECT_EQ(differingPixels(plain.grab(*screen), first), 0);
    EXPECT_EQ(plain.lastTransfer(), X11CaptureSource::Transfer::getImage);

    // The shared block is reused: the next grab must show the new picture, not the old bytes.
    const QImage second = noise(QSize(1280, 800), 2);
    showOnRoot(second);
    EXPECT_EQ(differingPixels(shared.grab(*screen), second), 0);

    // Once the idle source has given its block back, the next grab makes a new one.
    shared.releaseIdleResources();
    EXPECT_EQ(differingPixels(shared.grab(*screen), second), 0);
    EXPECT_EQ(shared.lastTransfer(), X11CaptureSource::Transfer::sharedMemory);
}

TEST(X11CaptureTest, AHeldPictureNeverChangesUnderItsHolder)
{
    // A grab is lent straight out of the shared block. Whoever still holds one (the other monitor of
    // the same capture, an editor, the clipboard) must keep those pixels through later grabs, the
    // idle release and the source going away.
    QScreen* screen = QGuiApplication::primaryScreen();
    const QImage first = noise(QSize(1280, 800), 3);
    const QImage second = noise(QSize(1280, 800), 4);
    showOnRoot(first);
    auto source = std::make_unique<X11CaptureSource>();
    source->warmUp();
    const QImage held = source->grab(*screen);
    ASSERT_EQ(source->lastTransfer(), X11CaptureSource::Transfer::sharedMemory);
    showOnRoot(second);
    const QImage later = source->grab(*screen);

    struct Step {
        const char* name;
        std::function<void()> act;
    };
    const Step steps[] = {
        {"another grab", [] {}},
        {"one more grab", [&] { (void)source->grab(*screen); }},
        {"the idle release", [&] { source->releaseIdleResources(); }},
        {"the source gone", [&] { source.reset(); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(differingPixels(held, first), 0);
        EXPECT_EQ(differingPixels(later, second), 0);
    }
}

TEST(X11CaptureTest, SessionSourceIsTheXServer)
{
    showOnRoot(noise(QSize(1280, 800), 3));
    ScreenCapturer::setSource(makeCaptureSource());
    EXPECT_NE(dynamic_cast<X11CaptureSource*>(&ScreenCapturer::source()), nullptr);
    const ScreenCapturer::Shots result = ScreenCapturer::captureAllDisplays();
    ASSERT_TRUE(std::holds_alternative<std::vector<DisplayShot>>(result));
    const auto& shots = std::get<std::vector<DisplayShot>>(result);
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].displayID, QGuiApplication::primaryScreen()->name());
    EXPECT_EQ(shots[0].frame, QRectF(0, 0, 1280, 800));
    EXPECT_EQ(differingPixels(shots[0].image, noise(QSize(1280, 800), 3)), 0);
}

// Started by with-xvfb.sh two-monitors: a 4480 x 1440 root split into the RandR monitors MON-A (1920 x 1080 at
// 0, 0, 96 dpi) and MON-B (2560 x 1440 at 1920, 0, 192 dpi), with Qt told to use the physical dpi.
TEST(X11TwoMonitorsTest, EachMonitorIsItsOwnRegionOfTheRootAtFullResolution)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2);
    EXPECT_EQ(screens[0]->name(), QStringLiteral("MON-A"));
    EXPECT_EQ(screens[1]->name(), QStringLiteral("MON-B"));
    EXPECT_EQ(screens[1]->devicePixelRatio(), 2.0);

    const QImage root = noise(QSize(4480, 1440), 4);
    showOnRoot(root);
    ScreenCapturer::setSource(std::make_unique<X11CaptureSource>());
    const ScreenCapturer::Shots result = ScreenCapturer::captureAllDisplays();
    ASSERT_TRUE(std::holds_alternative<std::vector<DisplayShot>>(result));
    const auto& shots = std::get<std::vector<DisplayShot>>(result);
    ASSERT_EQ(shots.size(), 2u);
    EXPECT_EQ(shots[0].displayID, QStringLiteral("MON-A"));
    EXPECT_EQ(shots[0].frame, QRectF(0, 0, 1920, 1080));
    EXPECT_EQ(shots[0].scale, 1.0);
    EXPECT_EQ(differingPixels(shots[0].image, root.copy(0, 0, 1920, 1080)), 0);
    EXPECT_EQ(shots[1].displayID, QStringLiteral("MON-B"));
    EXPECT_EQ(shots[1].frame, QRectF(1920, 0, 1280, 720));
    EXPECT_EQ(shots[1].scale, 2.0);
    EXPECT_EQ(shots[1].image.size(), QSize(2560, 1440));
    EXPECT_EQ(differingPixels(shots[1].image, root.copy(1920, 0, 2560, 1440)), 0);
}

} // namespace
} // namespace corvane
