// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CanvasTestSupport.h"

#include <gtest/gtest.h>
#include <optional>
#include <tuple>
#include <vector>

namespace corvane {
namespace {

using namespace canvastest;

// A fresh canvas per case: 600 x 400 at scale 1, so hit bands and grab squares are plain pixel counts.
struct Canvas {
    CanvasView view{plainImage(600, 400), 1};
    CountingDelegate delegate;
    explicit Canvas(ToolKind tool = ToolKind::select)
    {
        view.setDelegate(&delegate);
        view.setTool(tool);
    }

    AnnotationPtr add(AnnotationPtr a, bool selectIt = false)
    {
        view.addAnnotation(a);
        if (selectIt)
            view.select(a);
        return a;
    }
    AnnotationPtr box(bool selectIt = false)
    {
        return add(shape(Kind::rectangle, {100, 100}, {300, 200}), selectIt);
    }
};

std::array<double, 4> ends(const Annotation& a)
{
    return {a.p1.x(), a.p1.y(), a.p2.x(), a.p2.y()};
}

// Shift snaps segments to 45 degrees and boxes to squares.
TEST(CanvasCreating, KeepsDeliberateShapesForgetsStrayClicksAndSnapsWithShift)
{
    using T = ToolKind;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    struct Case {
        ToolKind tool;
        QPoint from, to;
        Qt::KeyboardModifiers mods;
        std::optional<std::array<double, 4>> kept; // p1 and p2 after mouse-up
    };
    const std::vector<Case> cases{
        {T::rectangle, {100, 100}, {102, 300}, {}, std::nullopt},
        {T::rectangle, {100, 100}, {110, 300}, {}, {{100, 100, 110, 300}}},
        {T::rectangle, {300, 300}, {100, 150}, {}, {{100, 150, 300, 300}}},
        {T::ellipse, {100, 100}, {200, 103}, {}, std::nullopt},
        {T::ellipse, {200, 100}, {100, 104}, {}, {{100, 100, 200, 104}}},
        {T::line, {100, 100}, {103, 100}, {}, std::nullopt},
        {T::line, {100, 100}, {104, 100}, {}, {{100, 100, 104, 100}}},
        {T::arrow, {300, 300}, {100, 150}, {}, {{300, 300, 100, 150}}}, // segments keep their direction
        {T::line, {200, 200}, {300, 260}, shift, {{200, 200, 282.462, 282.462}}},
        {T::line, {200, 200}, {300, 240}, shift, {{200, 200, 307.703, 200}}},
        {T::arrow, {200, 200}, {150, 260}, shift, {{200, 200, 144.773, 255.227}}},
        {T::rectangle, {200, 200}, {170, 210}, shift, {{170, 200, 200, 230}}},
        {T::ellipse, {200, 200}, {250, 180}, shift, {{200, 150, 250, 200}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "tool " << ToolKinds::rawValue(c.tool) << " to " << c.to.x() << "," << c.to.y());
        Canvas canvas(c.tool);
        drag(canvas.view, c.from, c.to, c.mods);
        EXPECT_EQ(canvas.view.selected(), nullptr);
        EXPECT_EQ(canvas.view.canUndo(), c.kept.has_value());
        EXPECT_EQ(canvas.delegate.contentChanges, c.kept ? 1 : 0);
        ASSERT_EQ(canvas.view.annotations().size(), c.kept ? 1u : 0u);
        for (std::size_t i = 0; c.kept && i < 4; ++i)
            EXPECT_NEAR(ends(*canvas.view.annotations().front())[i], (*c.kept)[i], 0.001) << i;
    }
}

TEST(CanvasMoving, FollowsThePointerFromTheMouseDownStateAndShiftKeepsTheLargerComponent)
{
    // A tie moves vertically.
    const struct {
        std::vector<QPoint> path; // from (100, 150), on the box's left edge
        Qt::KeyboardModifiers mods;
        std::array<double, 4> ends;
    } cases[] = {{{{110, 160}, {130, 155}}, {}, {130, 105, 330, 205}},
                 {{{112, 138}}, Qt::ShiftModifier, {100, 88, 300, 188}},
                 {{{120, 145}}, Qt::ShiftModifier, {120, 100, 320, 200}},
                 {{{97, 165}}, Qt::ShiftModifier, {100, 115, 300, 215}}};
    for (const auto& c : cases) {
        Canvas canvas;
        const AnnotationPtr box = canvas.box();
        press(canvas.view, {100, 150}, c.mods);
        for (const QPoint& p : c.path)
            moveTo(canvas.view, p, c.mods);
        release(canvas.view, c.path.back(), c.mods);
        EXPECT_EQ(ends(*box), c.ends) << c.path.back().x() << "," << c.path.back().y();
        EXPECT_EQ(canvas.delegate.contentChanges, 1);
    }
}

TEST(CanvasMoving, ClickWithoutMovingRecordsOneStepAndEmptiesRedoAndEmptySpaceDeselects)
{
    Canvas canvas;
    canvas.box();
    canvas.view.pushUndo();
    ASSERT_TRUE(canvas.view.undo());
    ASSERT_TRUE(canvas.view.canRedo());

    click(canvas.view, {100, 150});
    EXPECT_EQ(canvas.view.selected(), canvas.view.annotations().front());
    EXPECT_FALSE(canvas.view.canRedo());
    click(canvas.view, {200, 150}); // inside the box, off its outline
    EXPECT_EQ(canvas.view.selected(), nullptr);
    EXPECT_EQ(drainUndo(canvas.view), 1);
}

TEST(CanvasResizing, HandleGrabSquareKeepsItsSizeOnScreen)
{
    struct Case {
        double magnification;
        QPoint from;
        std::array<double, 4> rect; // after dragging to (60, 70)
    };
    const std::vector<Case> cases{
        {1, {108, 108}, {60, 70, 240, 130}}, // resize
        {1, {109, 100}, {51, 70, 200, 100}}, // move: 9 px from the corner
        {2, {104, 104}, {60, 70, 240, 130}},
        {2, {105, 100}, {55, 70, 200, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "magnification " << c.magnification << " from " << c.from.x());
        Canvas canvas;
        canvas.view.setMagnification(c.magnification);
        const AnnotationPtr box = canvas.box(true);
        drag(canvas.view, c.from, {60, 70});
        EXPECT_EQ(xywh(box->rect()), c.rect);
        EXPECT_EQ(canvas.view.selected(), box);
        EXPECT_EQ(drainUndo(canvas.view), 1);
    }
}

TEST(CanvasResizing, LineHandlesMoveTheirOwnEndAndShiftSnapsAroundTheOther)
{
    struct Case {
        QPoint from, to;
        Qt::KeyboardModifiers mods;
        std::array<double, 4> ends;
    };
    const std::vector<Case> cases{
        {{100, 100}, {120, 90}, {}, {120, 90, 300, 100}},
        {{300, 100}, {310, 120}, {}, {100, 100, 310, 120}},
        {{300, 100}, {200, 190}, Qt::ShiftModifier, {100, 100, 195.132, 195.132}},
        {{100, 100}, {120, 110}, Qt::ShiftModifier, {119.722, 100, 300, 100}},
    };
    for (const Case& c : cases) {
        Canvas canvas;
        const AnnotationPtr line = canvas.add(shape(Kind::line, {100, 100}, {300, 100}), true);
        drag(canvas.view, c.from, c.to, c.mods);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_NEAR(ends(*line)[i], c.ends[i], 0.001)
                << "to " << c.to.x() << "," << c.to.y() << ": " << i;
    }
}

TEST(CanvasResizing, TextCornerScalesTheFontWithTheHeightAndEdgesLeaveIt)
{
    struct Case {
        QPoint from, to;
        double startFont, font;
        double top, width; // the height then follows from the text
    };
    const std::vector<Case> cases{
        {{300, 200}, {300, 300}, 24, 48, 100, 200},  // bottom-right: 100 -> 200 high
        {{300, 200}, {300, 101}, 24, 6, 100, 200},   // 1 high: 0.05 x 24 = 1.2, floored at 6
        {{300, 200}, {300, 101}, 200, 10, 100, 200}, // 1 high: 0.05 x 200
        {{100, 100}, {100, 50}, 24, 36, 50, 200},    // top-left: 150 high
        {{300, 100}, {300, 150}, 24, 12, 150, 200},  // top-right: 50 high
        {{200, 200}, {200, 300}, 24, 24, 100, 200},  // bottom edge
        {{300, 150}, {400, 150}, 24, 24, 100, 300},  // right edge
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from " << c.from.x() << "," << c.from.y() << " to " << c.to.x()
                                        << "," << c.to.y() << " font " << c.startFont);
        Canvas canvas;
        const AnnotationPtr text =
            canvas.add(shape(Kind::text, {100, 100}, {300, 200}, "ab", c.startFont), true);
        drag(canvas.view, c.from, c.to);
        EXPECT_DOUBLE_EQ(text->fontSize, c.font);
        const QRectF r = text->rect();
        EXPECT_EQ((std::array{r.left(), r.top(), r.width()}), (std::array{100.0, c.top, c.width}));
        EXPECT_TRUE(isWholePlusEight(r.height())) << r.height();
    }
}

TEST(CanvasDoubleClick, EditsOnlyATopMostText)
{
    for (const bool textOnTop : {false, true}) {
        SCOPED_TRACE(textOnTop ? "text on top" : "rectangle on top");
        Canvas canvas;
        const AnnotationPtr text = shape(Kind::text, {105, 120}, {205, 145}, "hi");
        const AnnotationPtr rectangle = shape(Kind::rectangle, {100, 100}, {300, 200});
        canvas.add(textOnTop ? rectangle : text);
        canvas.add(textOnTop ? text : rectangle);
        // Within the rectangle's outline band and the text box, away from the rectangle's handles.
        doubleClick(canvas.view, {106, 130});

        EXPECT_EQ(canvas.view.editingAnnotation(), textOnTop ? text : nullptr);
        EXPECT_EQ(canvas.view.selected(), textOnTop ? text : rectangle);
        canvas.view.commitTextEditing();
        // On the rectangle the second click is a second move start.
        EXPECT_EQ(drainUndo(canvas.view), textOnTop ? 1 : 2);
    }
}

TEST(CanvasKeys, ArrowsNudgeTheSelectionOneStepPerPress)
{
    const Qt::KeyboardModifier shift = Qt::ShiftModifier, none = Qt::NoModifier;
    const std::tuple<Qt::Key, Qt::KeyboardModifier, double, double> cases[] = {
        {Qt::Key_Left, none, -1, 0}, {Qt::Key_Right, none, 1, 0},   {Qt::Key_Up, none, 0, -1},
        {Qt::Key_Down, none, 0, 1},  {Qt::Key_Left, shift, -10, 0}, {Qt::Key_Up, shift, 0, -10}};
    for (const auto& [key, mods, dx, dy] : cases) {
        Canvas canvas;
        const AnnotationPtr box = canvas.box(true);
        QTest::keyClick(&canvas.view, key, mods);
        QTest::keyClick(&canvas.view, key, mods);
        EXPECT_EQ(ends(*box), (std::array{100 + 2 * dx, 100 + 2 * dy, 300 + 2 * dx, 200 + 2 * dy}))
            << "key " << key << " modifiers " << mods;
        EXPECT_EQ(canvas.delegate.contentChanges, 2);
        EXPECT_EQ(drainUndo(canvas.view), 2);
    }
}

TEST(CanvasKeys, DeleteAndBackspaceRemoveTheSelectionUndoablyAndEscapeDeselects)
{
    for (const Qt::Key key : {Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Escape}) {
        Canvas canvas;
        const std::string before = fields(*canvas.box(true));
        QTest::keyClick(&canvas.view, key);
        EXPECT_EQ(canvas.view.selected(), nullptr);
        EXPECT_EQ(canvas.view.annotations().size(), key == Qt::Key_Escape ? 1u : 0u) << "key " << key;
        EXPECT_EQ(drainUndo(canvas.view), key == Qt::Key_Escape ? 0 : 1) << "key " << key;
        ASSERT_EQ(canvas.view.annotations().size(), 1u);
        EXPECT_EQ(fields(*canvas.view.annotations().front()), before);
    }
}

} // namespace
} // namespace corvane
