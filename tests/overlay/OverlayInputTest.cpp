// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/OverlayView.h"

#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace corvane {
namespace {

const QRgb picture = qRgb(200, 100, 60);
// The picture under black at 45 %: 200 x 0.55, 100 x 0.55, 60 x 0.55.
const QRgb dimmed = qRgb(110, 55, 33);
const QRgb white = qRgb(255, 255, 255);
// White at 55 % over the dimmed picture.
const QRgb crosshair = qRgb(190, 165, 155);

// One thing the user does: press, move, up (release) or right-click the pointer at a point, or a key.
struct Step {
    char what;
    QPointF at;
    Qt::Key key = Qt::Key_unknown;
};
Step key(Qt::Key k) { return {'k', {}, k}; }

class OverlayInput : public ::testing::Test {
public:
    void SetUp() override
    {
        selections.clear();
        cancels = 0;
        m_held = Qt::NoButton;
        QImage image(800, 600, QImage::Format_RGB32);
        image.fill(picture);
        view = std::make_unique<OverlayView>(
            DisplayShot{QStringLiteral("MON"), image, QRectF(0, 0, 800, 600), 2, nullptr});
        view->onSelect = [this](const QRectF& r) { selections.push_back(r); };
        view->onCancel = [this] { ++cancels; };
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    // Pointer events at fractions of a logical pixel, as a ratio-2 monitor delivers them to the window.
    void run(const std::vector<Step>& steps)
    {
        for (const Step& s : steps) {
            if (s.what == 'k') {
                QTest::keyClick(view.get(), s.key);
                continue;
            }
            const Qt::MouseButton button = s.what == 'r' ? Qt::RightButton : Qt::LeftButton;
            const auto send = [&](QEvent::Type type, Qt::MouseButtons held) {
                const Qt::MouseButton changed = type == QEvent::MouseMove ? Qt::NoButton : button;
                QMouseEvent event(type, s.at, s.at, view->mapToGlobal(s.at), changed, held, {});
                QCoreApplication::sendEvent(view->windowHandle(), &event);
            };
            if (s.what == 'p' || s.what == 'r')
                send(QEvent::MouseButtonPress, m_held = button);
            if (s.what == 'm')
                send(QEvent::MouseMove, m_held);
            if (s.what == 'u' || s.what == 'r')
                send(QEvent::MouseButtonRelease, m_held = Qt::NoButton);
        }
    }

    std::unique_ptr<OverlayView> view;
    std::vector<QRectF> selections;
    int cancels = 0;
    Qt::MouseButtons m_held;
};

// Space taking the monitor, Escape cancelling, a drag from half a point keeping the half (every device
// pixel of a ratio-2 monitor can be an edge) and a click taking a back window's whole frame are the
// e2e.capture cases' (pin-to-screen, cli-region, region-on-each-monitor, window-pick).
TEST_F(OverlayInput, SelectsPicksAWindowOrCancelsAsTheUserEnds)
{
    const QString &region = OverlayView::regionHintText, &picking = OverlayView::windowHintText,
                  &plain = OverlayView::hintText;
    // Topmost first: a small window over a big one's corner.
    const std::vector<QRectF> windows = {{300, 200, 200, 100}, {100, 100, 400, 300}};
    const struct {
        const char* name;
        bool windowsKnown;
        std::vector<Step> steps;
        std::optional<QRectF> selected;
        int cancels;
        const QString& hint;
    } cases[] = {
        {"a click without a drag cancels", true, {{'p', {50, 50}}, {'u', {50, 50}}}, {}, 1, region},
        {"a 2 x 40 drag cancels", true, {{'p', {100, 100}}, {'m', {102, 140}}, {'u', {102, 140}}}, {}, 1, region},
        {"3 x 3 selects",
         true, {{'p', {100, 100}}, {'m', {103, 103}}, {'u', {103, 103}}}, QRectF(100, 100, 3, 3), 0, region},
        {"a drag up and left selects the same rectangle", true, {{'p', {500, 400}}, {'m', {200, 250}}, {'u', {200, 250}}},
         QRectF(200, 250, 300, 150), 0, region},
        {"the right button cancels", true, {{'r', {9, 9}}}, {}, 1, region},
        {"Tab, the front window",
         true, {key(Qt::Key_Tab), {'p', {499, 200}}, {'u', {499, 200}}}, QRectF(300, 200, 200, 100), 0,
         picking},
        {"Tab, over the bare desktop a click takes nothing and the overlay stays", true,
         {key(Qt::Key_Tab), {'p', {700, 500}}, {'u', {700, 500}}}, {}, 0, picking},
        {"Tab twice is back to dragging",
         true, {key(Qt::Key_Tab), key(Qt::Key_Tab), {'p', {150, 350}}, {'m', {160, 360}}, {'u', {160, 360}}},
         QRectF(150, 350, 10, 10), 0, region},
        {"Escape cancels in window mode", true, {key(Qt::Key_Tab), key(Qt::Key_Escape)}, {}, 1, picking},
        {"Tab while dragging changes nothing",
         true, {{'p', {150, 350}}, {'m', {170, 370}}, key(Qt::Key_Tab), {'u', {170, 370}}},
         QRectF(150, 350, 20, 20), 0, region},
        {"where windows are not known Tab does nothing",
         false, {key(Qt::Key_Tab), {'p', {150, 350}}, {'u', {150, 350}}}, {}, 1,
         plain},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (c.windowsKnown)
            view->setWindows(windows);
        run(c.steps);
        EXPECT_EQ(selections, c.selected ? std::vector{*c.selected} : std::vector<QRectF>{});
        EXPECT_EQ(cancels, c.cancels);
        EXPECT_EQ(view->hint().toStdString(), c.hint.toStdString());
    }
}

TEST_F(OverlayInput, ShowsTheSelectionOrTheHoveredWindowUndimmedInsideAWhiteOutline)
{
    struct Probe {
        int x, y;
        QRgb expected;
    };
    const struct {
        const char* name;
        bool windowMode;
        std::vector<Step> steps;
        std::vector<Probe> probes;
    } cases[] = {
        {"a selection being dragged", false, {{'p', {500, 400}}, {'m', {200, 250}}},
         {{350, 300, picture}, {200, 250, picture}, {499, 399, picture}, {199, 300, white}, {500, 300, white},
          {350, 249, white},
          {198, 300, dimmed}, {501, 300, dimmed}, {700, 100, dimmed}, {10, 590, dimmed}}},
        {"idle: a crosshair through the pointer", false, {{'m', {300, 500}}},
         {{300, 560, crosshair}, {100, 500, crosshair}, {100, 560, dimmed}}},
        // The monitor to the left has the pointer at the same logical height: no line shows here.
        {"the pointer on another monitor", false, {{'m', {-300, 500}}}, {{100, 500, dimmed}, {0, 500, dimmed}}},
        {"a window hovered", true, {{'m', {350, 250}}}, {{400, 250, picture}, {299, 250, white}, {250, 250, dimmed}}},
        {"the bare desktop hovered", true, {{'m', {700, 500}}}, {{400, 250, dimmed}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        view->setWindows({{300, 200, 200, 100}});
        view->setWindowMode(c.windowMode);
        run(c.steps);
        const QImage shown = view->grab().toImage();
        for (const Probe& p : c.probes)
            EXPECT_EQ(shown.pixel(p.x, p.y), p.expected) << p.x << "," << p.y;
    }
    // The label sits 8 above the selection, clear of it.
    SetUp();
    run({{'p', {500, 400}}, {'m', {200, 250}}});
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
        const QImage onScreen = view->screen()->grabWindow(view->winId()).toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_TRUE(onScreen == view->grab().toImage().convertToFormat(QImage::Format_RGB32))
            << "stale pixels after moving to " << p.x() << "," << p.y();
    }
}

} // namespace
} // namespace corvane
