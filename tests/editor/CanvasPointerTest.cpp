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

// A drag on a box's or a line's outline moves it, following the pointer from where it went down; Shift
// keeps the larger component (a tie moves vertically). On a selected one's handle it resizes; the grab
// square keeps its size on screen, and Shift snaps a line's end around the other.
TEST(CanvasDragging, MovesFromTheMouseDownStateAndHandlesResize)
{
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const struct {
        bool line, selected;
        double magnification;
        std::vector<QPoint> path; // where the button goes down, then each move
        Qt::KeyboardModifiers mods;
        std::array<double, 4> ends;
    } cases[] = {
        {false, false, 1, {{100, 150}, {110, 160}, {130, 155}}, {}, {130, 105, 330, 205}},
        {false, false, 1, {{100, 150}, {112, 138}}, shift, {100, 88, 300, 188}},
        {false, false, 1, {{100, 150}, {120, 145}}, shift, {120, 100, 320, 200}},
        {false, false, 1, {{100, 150}, {97, 165}}, shift, {100, 115, 300, 215}},
        {false, true, 1, {{108, 108}, {60, 70}}, {}, {60, 70, 300, 200}}, // the corner's grab square
        {false, true, 1, {{109, 100}, {60, 70}}, {}, {51, 70, 251, 170}}, // 9 pixels off: a move
        {false, true, 2, {{104, 104}, {60, 70}}, {}, {60, 70, 300, 200}},
        {false, true, 2, {{105, 100}, {60, 70}}, {}, {55, 70, 255, 170}},
        {true, true, 1, {{100, 100}, {120, 90}}, {}, {120, 90, 300, 100}},
        {true, true, 1, {{300, 100}, {310, 120}}, {}, {100, 100, 310, 120}},
        {true, true, 1, {{300, 100}, {200, 190}}, shift, {100, 100, 195.132, 195.132}},
        {true, true, 1, {{100, 100}, {120, 110}}, shift, {119.722, 100, 300, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.line ? "line" : "box") << " from " << c.path[0].x() << ","
                                        << c.path[0].y() << " magnification " << c.magnification);
        Canvas canvas;
        canvas.view.setMagnification(c.magnification);
        const AnnotationPtr a = c.line ? canvas.add(shape(Kind::line, {100, 100}, {300, 100}), c.selected)
                                       : canvas.box(c.selected);
        press(canvas.view, c.path.front(), c.mods);
        for (std::size_t i = 1; i < c.path.size(); ++i)
            moveTo(canvas.view, c.path[i], c.mods);
        release(canvas.view, c.path.back(), c.mods);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_NEAR(ends(*a)[i], c.ends[i], 0.001) << i;
        EXPECT_EQ(canvas.view.selected(), a);
        EXPECT_EQ(canvas.delegate.contentChanges, 1);
        EXPECT_EQ(drainUndo(canvas.view), 1);
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

// Pressed twice on a selected box: arrows nudge it a step a press, Delete and Backspace remove it (the
// second press finds nothing selected), Escape only deselects; each step undoes back to the box, which
// is then not selected.
TEST(CanvasKeys, ArrowsNudgeDeleteAndBackspaceRemoveAndEscapeDeselects)
{
    const Qt::KeyboardModifier shift = Qt::ShiftModifier, none = Qt::NoModifier;
    const std::tuple<Qt::Key, Qt::KeyboardModifier, double, double, int> cases[] = {
        {Qt::Key_Left, none, -1, 0, 2},  {Qt::Key_Right, none, 1, 0, 2},     {Qt::Key_Up, none, 0, -1, 2},
        {Qt::Key_Down, none, 0, 1, 2},   {Qt::Key_Left, shift, -10, 0, 2},   {Qt::Key_Up, shift, 0, -10, 2},
        {Qt::Key_Delete, none, 0, 0, 1}, {Qt::Key_Backspace, none, 0, 0, 1}, {Qt::Key_Escape, none, 0, 0, 0}};
    for (const auto& [key, mods, dx, dy, steps] : cases) {
        Canvas canvas;
        const AnnotationPtr box = canvas.box(true);
        QTest::keyClick(&canvas.view, key, mods);
        QTest::keyClick(&canvas.view, key, mods);
        EXPECT_EQ(canvas.view.annotations().size(), steps == 1 ? 0u : 1u) << "key " << key;
        EXPECT_EQ(ends(*box), (std::array{100 + 2 * dx, 100 + 2 * dy, 300 + 2 * dx, 200 + 2 * dy}));
        EXPECT_EQ(canvas.view.selected(), steps == 2 ? box : nullptr) << "key " << key;
        EXPECT_EQ(canvas.delegate.contentChanges, steps) << "key " << key;
        const int selectionChanges = canvas.delegate.selectionChanges;
        EXPECT_EQ(drainUndo(canvas.view), steps) << "key " << key;
        EXPECT_EQ(canvas.view.selected(), nullptr) << "key " << key;
        EXPECT_EQ(canvas.delegate.selectionChanges > selectionChanges, steps > 0) << "key " << key;
        ASSERT_EQ(canvas.view.annotations().size(), 1u);
        EXPECT_EQ(ends(*canvas.view.annotations().front()), (std::array<double, 4>{100, 100, 300, 200}));
    }
}

} // namespace
} // namespace corvane
