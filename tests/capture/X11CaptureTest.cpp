// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs under a virtual X server whose root window shows a known picture, put there by another program
// (ImageMagick's display), and read back through the real X11 source. The server draws its pointer in
// the middle of the screen, so an exact match also shows that the pointer is left out. Two monitors of
// different densities, and the source a session gets, are every e2e.capture case.
#include "platform/x11/X11CaptureSource.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
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

// The same 32-bit words, alpha byte included (QImage::operator== ignores the alpha of Format_RGB32).
bool sameWords(const QImage& a, const QImage& b)
{
    const auto words = [](const QImage& image) {
        return QImage(image.constBits(), image.width(), image.height(), image.bytesPerLine(), QImage::Format_ARGB32);
    };
    return a.format() == QImage::Format_RGB32 && b.format() == QImage::Format_RGB32 && words(a) == words(b);
}

// A grab is lent straight out of the shared block. Whoever still holds one (the other monitor of the
// same capture, an editor, the clipboard) must keep those pixels through later grabs, the idle release
// and the source going away, while each new grab shows the root as it is now.
TEST(X11CaptureTest, SharedMemoryAndGetImageGiveTheRootPixelForPixelAndAHeldPictureNeverChanges)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_EQ(screen->geometry(), QRect(0, 0, 1280, 800));
    const QImage first = noise(QSize(1280, 800), 1);
    const QImage second = noise(QSize(1280, 800), 2);
    showOnRoot(first);
    auto shared = std::make_unique<X11CaptureSource>();
    X11CaptureSource plain(X11CaptureSource::Transfer::getImage);
    ASSERT_TRUE(shared->available());
    shared->warmUp();
    const QImage held = shared->grab(*screen);
    EXPECT_TRUE(sameWords(held, first));
    EXPECT_EQ(shared->lastTransfer(), X11CaptureSource::Transfer::sharedMemory);
    EXPECT_TRUE(sameWords(plain.grab(*screen), first));
    EXPECT_EQ(plain.lastTransfer(), X11CaptureSource::Transfer::getImage);

    showOnRoot(second);
    const QImage later = shared->grab(*screen);
    EXPECT_TRUE(sameWords(later, second));
    const char* steps[] = {"one more grab", "the idle release, then a grab into a new block", "the source gone"};
    for (int step = 0; step < 3; ++step) {
        SCOPED_TRACE(steps[step]);
        if (step == 1)
            shared->releaseIdleResources();
        if (step < 2) {
            EXPECT_TRUE(sameWords(shared->grab(*screen), second));
            EXPECT_EQ(shared->lastTransfer(), X11CaptureSource::Transfer::sharedMemory);
        } else {
            shared.reset();
        }
        EXPECT_TRUE(sameWords(held, first));
        EXPECT_TRUE(sameWords(later, second));
    }
}

} // namespace
} // namespace corvane
