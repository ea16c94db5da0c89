// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/OverlayView.h"
#include "capture/OverlayWindow.h"
#include "capture/OverlayWindowPool.h"
#include "capture/SelectionOverlayController.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace corvane {
namespace {

DisplayShot shotOf(QRgb colour, QSize pixels = {400, 300}, QRectF frame = {0, 0, 400, 300})
{
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(colour);
    return {QStringLiteral("MON"), image, frame, pixels.width() / frame.width(), QGuiApplication::primaryScreen()};
}

class OverlayWindowPoolTest : public ::testing::Test {
public:
    // The crosshair runs through the pointer; the probes stay off its lines.
    void SetUp() override { QCursor::setPos(200, 150); }

    void TearDown() override
    {
        OverlayWindowPool::clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // One whole selection over `shot`, ended by a cancel; the window it used.
    OverlayWindow* runOnce(const DisplayShot& shot)
    {
        SelectionOverlayController overlay;
        overlay.begin({shot}, [](std::optional<CaptureResult>) {});
        OverlayWindow* window = overlay.windows().front();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        QCoreApplication::processEvents(); // the pending paint reaches the backing store
        shown = window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
        overlay.finish(shot, std::nullopt);
        return window;
    }

    QImage shown;
};

TEST_F(OverlayWindowPoolTest, ReusesAWindowOnlyForTheSameMonitorPlaceAndSizeAndShowsTheNewPictureDimmed)
{
    // A reused window keeps its backing store; what it shows must be the new picture, dimmed (each
    // channel times 140/255), never the frame left from the last capture.
    const struct {
        const char* name;
        DisplayShot shot;
        bool reused; // the window of the row before
        QRgb dimmed;
    } cases[] = {
        {"first", shotOf(qRgb(255, 255, 255)), false, qRgb(140, 140, 140)},
        {"same monitor", shotOf(qRgb(0, 0, 0)), true, qRgb(0, 0, 0)},
        {"another place", shotOf(qRgb(9, 9, 9), {400, 300}, {50, 0, 400, 300}), false, qRgb(5, 5, 5)},
        {"another logical size", shotOf(qRgb(9, 9, 9), {400, 300}, {0, 0, 200, 150}), false, qRgb(5, 5, 5)},
        {"another pixel size", shotOf(qRgb(9, 9, 9), {800, 600}, {0, 0, 400, 300}), false, qRgb(5, 5, 5)},
    };
    QPointer<OverlayWindow> before;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OverlayWindow* window = runOnce(c.shot);
        EXPECT_EQ(window == before, c.reused);
        EXPECT_EQ(window->geometry(), c.shot.frame.toRect());
        EXPECT_EQ(shown.pixel(10, 140), c.dimmed); // clear of the hint and the crosshair
        before = window;
    }
    // A hidden window holding a whole monitor's picture, or callbacks that hold it, would keep tens of
    // megabytes between captures.
    QCoreApplication::processEvents();
    EXPECT_TRUE(before->isHidden() && before->view()->shot().image.isNull());
    EXPECT_FALSE(before->view()->onSelect || before->view()->onCancel);
    OverlayWindowPool::clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(before.isNull());
}

TEST_F(OverlayWindowPoolTest, TakenAgainAtOnceKeepsTheNewPictureAndItsCallbacks)
{
    // Given back and taken again before the event loop turns: letting go of the old picture later
    // must not reach the new capture.
    OverlayWindow* first = runOnce(shotOf(qRgb(1, 1, 1)));
    int cancels = 0;
    SelectionOverlayController overlay;
    overlay.begin({shotOf(qRgb(200, 100, 60))}, [&cancels](std::optional<CaptureResult>) { ++cancels; });
    ASSERT_EQ(overlay.windows().front(), first);
    QCoreApplication::processEvents();
    EXPECT_EQ(first->view()->shot().image.pixel(0, 0), qRgb(200, 100, 60));
    QTest::keyClick(first->view(), Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);
}

} // namespace
} // namespace corvane
