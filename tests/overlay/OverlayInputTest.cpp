// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/OverlayView.h"

#include <QCursor>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace corvane {
namespace {

const QRgb picture = qRgb(200, 100, 60);
// The picture under black at 45 %: 200 x 0.55, 100 x 0.55, 60 x 0.55.
const QRgb dimmed = qRgb(110, 55, 33);

class OverlayInput : public ::testing::Test {
public:
    void SetUp() override
    {
        selections.clear();
        cancels = 0;
        QImage image(800, 600, QImage::Format_RGB32);
        image.fill(picture);
        view = std::make_unique<OverlayView>(
            DisplayShot{QStringLiteral("MON"), image, QRectF(0, 0, 800, 600), 2, nullptr});
        view->onSelect = [this](const QRectF& r) {
            selections.push_back(r);
        };
        view->onCancel = [this] {
            ++cancels;
        };
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    void drag(QPoint from, QPoint to)
    {
        QTest::mousePress(view.get(), Qt::LeftButton, {}, from);
        QTest::mouseMove(view.get(), to);
        QTest::mouseRelease(view.get(), Qt::LeftButton, {}, to);
    }

    // A pointer event at a fraction of a logical pixel, as a ratio-2 monitor delivers it to the window.
    void sendExact(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, at, at, view->mapToGlobal(at), button, held, {});
        QCoreApplication::sendEvent(view->windowHandle(), &event);
    }

    std::unique_ptr<OverlayView> view;
    std::vector<QRectF> selections;
    int cancels = 0;
};

TEST_F(OverlayInput, SelectsOrCancelsAsTheUserEnds)
{
    struct Case {
        const char* name;
        std::function<void(OverlayInput&)> act;
        std::optional<QRectF> selected;
    };
    const Case cases[] = {
        {"a click without a drag cancels",
         [](OverlayInput& t) {
             QTest::mouseClick(t.view.get(), Qt::LeftButton, {}, {50, 50});
         },
         std::nullopt},
        {"a 2 x 40 drag cancels",
         [](OverlayInput& t) {
             t.drag({100, 100}, {102, 140});
         },
         std::nullopt},
        {"3 x 3 selects",
         [](OverlayInput& t) {
             t.drag({100, 100}, {103, 103});
         },
         QRectF(100, 100, 3, 3)},
        {"a drag up and left selects the same rectangle",
         [](OverlayInput& t) {
             t.drag({500, 400}, {200, 250});
         },
         QRectF(200, 250, 300, 150)},
        {"a drag from half a point keeps the half: every device pixel can be an edge",
         [](OverlayInput& t) {
             t.sendExact(QEvent::MouseButtonPress, {100.5, 80.5}, Qt::LeftButton, Qt::LeftButton);
             t.sendExact(QEvent::MouseMove, {200.5, 150}, Qt::NoButton, Qt::LeftButton);
             t.sendExact(QEvent::MouseButtonRelease, {301, 230.5}, Qt::LeftButton, Qt::NoButton);
         },
         QRectF(100.5, 80.5, 200.5, 150)},
        {"Space takes the whole monitor",
         [](OverlayInput& t) { QTest::keyClick(t.view.get(), Qt::Key_Space); }, QRectF(0, 0, 800, 600)},
        {"Escape cancels", [](OverlayInput& t) { QTest::keyClick(t.view.get(), Qt::Key_Escape); },
         std::nullopt},
        {"the right button cancels",
         [](OverlayInput& t) {
             QTest::mouseClick(t.view.get(), Qt::RightButton, {}, {9, 9});
         },
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        c.act(*this);
        if (c.selected) {
            ASSERT_EQ(selections.size(), 1u);
            EXPECT_EQ(selections[0], *c.selected);
            EXPECT_EQ(cancels, 0);
        } else {
            EXPECT_TRUE(selections.empty());
            EXPECT_EQ(cancels, 1);
        }
    }
}

TEST_F(OverlayInput, DrawsTheSelectionUndimmedInsideAWhiteOutline)
{
    QTest::mousePress(view.get(), Qt::LeftButton, {}, {500, 400});
    EXPECT_TRUE(view->isSelecting());
    EXPECT_EQ(view->selection(), QRectF(500, 400, 0, 0));
    QTest::mouseMove(view.get(), {200, 250});
    const QImage shown = view->grab().toImage();
    struct Probe {
        int x, y;
        QRgb expected;
    };
    const Probe probes[] = {{350, 300, picture},
                            {200, 250, picture},
                            {499, 399, picture},
                            {199, 300, qRgb(255, 255, 255)},
                            {500, 300, qRgb(255, 255, 255)},
                            {350, 249, qRgb(255, 255, 255)},
                            {198, 300, dimmed},
                            {501, 300, dimmed},
                            {700, 100, dimmed},
                            {10, 590, dimmed}};
    for (const Probe& p : probes) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(shown.pixel(p.x, p.y), p.expected);
    }
    // The label sits 8 above the selection, clear of it.
    EXPECT_DOUBLE_EQ(view->sizeLabelBox().bottom(), 242);
}

TEST_F(OverlayInput, RepaintingOnlyWhatChangedLeavesTheSameScreenAsAFullRepaint)
{
    // What the window system shows is the backing store, updated only in the invalidated regions;
    // grab() paints everything afresh. A region left out during the drag would leave stale pixels.
    const QPoint path[] = {{120, 90}, {300, 200}, {500, 450}, {260, 140}, {80, 40}, {790, 590}, {400, 300}};
    QTest::mouseMove(view.get(), {30, 30});
    QTest::mouseMove(view.get(), {600, 500});
    QTest::mousePress(view.get(), Qt::LeftButton, {}, {400, 300});
    for (const QPoint& p : path) {
        QTest::mouseMove(view.get(), p);
        QCoreApplication::processEvents();
        const QImage onScreen =
            view->screen()->grabWindow(view->winId()).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage repainted = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(onScreen.size(), repainted.size());
        EXPECT_TRUE(onScreen == repainted) << "stale pixels after moving to " << p.x() << "," << p.y();
    }
}

TEST_F(OverlayInput, IdleShowsTheDimmedPictureACrosshairAndTheHint)
{
    QTest::mouseMove(view.get(), {300, 500});
    const QImage shown = view->grab().toImage();
    EXPECT_EQ(shown.pixel(100, 560), dimmed);
    EXPECT_NE(shown.pixel(300, 560), dimmed); // the vertical line through the pointer
    EXPECT_NE(shown.pixel(100, 500), dimmed); // the horizontal one
    // With the pointer on the monitor to the left, at the same height, neither line shows here.
    view->mouse = QPointF(-300, 500);
    const QImage elsewhere = view->grab().toImage();
    EXPECT_EQ(elsewhere.pixel(100, 500), dimmed);
    EXPECT_EQ(elsewhere.pixel(0, 500), dimmed);
    EXPECT_DOUBLE_EQ(view->hintPill().bottom(), 150);
    EXPECT_DOUBLE_EQ(view->hintPill().center().x(), 400);
}

// Before the pointer moves, the crosshair stands where the pointer is, on every monitor of the desktop.
TEST(OverlayCrosshair, StartsAtThePointerInTheMonitorsOwnCoordinates)
{
    struct Case {
        const char* name;
        QRectF frame;
        QPoint pointer; // global, logical pixels
        QPointF expected;
    };
    const Case cases[] = {
        {"monitor at the origin", QRectF(0, 0, 1920, 1080), {700, 500}, {700, 500}},
        {"monitor to the right", QRectF(1920, 0, 1280, 720), {2080, 360}, {160, 360}},
        {"monitor to the left and lower", QRectF(-1280, 200, 1280, 720), {-1000, 300}, {280, 100}},
    };
    for (const Case& c : cases) {
        QCursor::setPos(c.pointer);
        QImage image(c.frame.size().toSize(), QImage::Format_RGB32);
        image.fill(picture);
        const OverlayView view(DisplayShot{QStringLiteral("MON"), image, c.frame, 1, nullptr});
        EXPECT_EQ(view.mouse, c.expected) << c.name << ": at " << view.mouse.x() << "," << view.mouse.y();
    }
}

} // namespace
} // namespace corvane

namespace corvane {
namespace {

TEST_F(OverlayInput, TabPicksTheWindowUnderThePointerWhereWindowsAreKnown)
{
    // Topmost first: a small window over a big one's corner.
    const std::vector<QRectF> windows = {{300, 200, 200, 100}, {100, 100, 400, 300}};
    struct Case {
        const char* name;
        bool windowsKnown;
        std::function<void(OverlayInput&)> act;
        std::optional<QRectF> selected;
        int cancels;
        const QString& hint;
    };
    const Case cases[] = {
        {"a click on the back window's uncovered part takes its whole frame", true,
         [](OverlayInput& t) {
             QTest::keyClick(t.view.get(), Qt::Key_Tab);
             QTest::mouseMove(t.view.get(), {150, 350});
             QTest::mouseClick(t.view.get(), Qt::LeftButton, {}, {150, 350});
         },
         QRectF(100, 100, 400, 300), 0, OverlayView::windowHintText},
        {"the front window", true,
         [](OverlayInput& t) {
             QTest::keyClick(t.view.get(), Qt::Key_Tab);
             QTest::mouseClick(t.view.get(), Qt::LeftButton, {}, {499, 200});
         },
         QRectF(300, 200, 200, 100), 0, OverlayView::windowHintText},
        {"over the bare desktop a click takes nothing and the overlay stays", true,
         [](OverlayInput& t) {
             QTest::keyClick(t.view.get(), Qt::Key_Tab);
             QTest::mouseClick(t.view.get(), Qt::LeftButton, {}, {700, 500});
         },
         std::nullopt, 0, OverlayView::windowHintText},
        {"Tab twice is back to dragging", true,
         [](OverlayInput& t) {
             QTest::keyClick(t.view.get(), Qt::Key_Tab);
             QTest::keyClick(t.view.get(), Qt::Key_Tab);
             t.drag({150, 350}, {160, 360});
         },
         QRectF(150, 350, 10, 10), 0, OverlayView::regionHintText},
        {"Escape cancels in window mode", true,
         [](OverlayInput& t) {
             QTest::keyClick(t.view.get(), Qt::Key_Tab);
             QTest::keyClick(t.view.get(), Qt::Key_Escape);
         },
         std::nullopt, 1, OverlayView::windowHintText},
        {"Tab while dragging changes nothing", true,
         [](OverlayInput& t) {
             QTest::mousePress(t.view.get(), Qt::LeftButton, {}, {150, 350});
             QTest::mouseMove(t.view.get(), {170, 370});
             QTest::keyClick(t.view.get(), Qt::Key_Tab);
             QTest::mouseRelease(t.view.get(), Qt::LeftButton, {}, {170, 370});
         },
         QRectF(150, 350, 20, 20), 0, OverlayView::regionHintText},
        {"where windows are not known Tab does nothing", false,
         [](OverlayInput& t) {
             QTest::keyClick(t.view.get(), Qt::Key_Tab);
             QTest::mouseClick(t.view.get(), Qt::LeftButton, {}, {150, 350});
         },
         std::nullopt, 1, OverlayView::hintText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (c.windowsKnown)
            view->setWindows(windows);
        c.act(*this);
        EXPECT_EQ(selections.size(), c.selected ? 1u : 0u);
        if (c.selected && !selections.empty()) {
            EXPECT_EQ(selections[0], *c.selected);
        }
        EXPECT_EQ(cancels, c.cancels);
        EXPECT_EQ(view->hint().toStdString(), c.hint.toStdString());
    }
}

TEST_F(OverlayInput, OutlinesTheHoveredWindowUndimmed)
{
    view->setWindows({{300, 200, 200, 100}});
    view->setWindowMode(true);
    QTest::mouseMove(view.get(), {350, 250});
    ASSERT_EQ(view->hoveredWindow(), QRectF(300, 200, 200, 100));
    const QImage shown = view->grab().toImage();
    EXPECT_EQ(shown.pixel(400, 250), picture);
    EXPECT_EQ(shown.pixel(299, 250), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(250, 250), dimmed);
    QTest::mouseMove(view.get(), {700, 500});
    EXPECT_EQ(view->hoveredWindow(), std::nullopt);
    EXPECT_EQ(view->grab().toImage().pixel(400, 250), dimmed);
}

} // namespace
} // namespace corvane
