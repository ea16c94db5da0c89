// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CanvasTestSupport.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace canvastest;

class CanvasHistory : public ::testing::Test {
protected:
    void SetUp() override { canvas.setDelegate(&delegate); }

    AnnotationPtr addSelected(QPointF p1, QPointF p2)
    {
        const AnnotationPtr a = shape(Kind::rectangle, p1, p2);
        canvas.addAnnotation(a);
        canvas.select(a);
        return a;
    }

    CanvasView canvas{plainImage(600, 400), 1};
    CountingDelegate delegate;
};

TEST_F(CanvasHistory, KeepsTheLatestHundredSteps)
{
    addSelected({100, 100}, {200, 200});
    for (int i = 0; i < 101; ++i)
        QTest::keyClick(&canvas, Qt::Key_Right);
    ASSERT_EQ(canvas.selected()->p1.x(), 201);

    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(canvas.undo()) << "undo " << i + 1;
    EXPECT_FALSE(canvas.undo());
    ASSERT_EQ(canvas.annotations().size(), 1u);
    EXPECT_EQ(canvas.annotations().front()->p1.x(), 101); // the state after the first nudge
}

TEST_F(CanvasHistory, UndoAndRedoRestoreEqualButNewObjectsAndClearTheSelection)
{
    const AnnotationPtr first = addSelected({100, 100}, {200, 200});
    canvas.pushUndo();
    const AnnotationPtr second = shape(Kind::line, {10, 10}, {50, 90});
    canvas.addAnnotation(second);
    delegate = CountingDelegate();

    ASSERT_TRUE(canvas.undo());
    ASSERT_EQ(canvas.annotations().size(), 1u);
    EXPECT_NE(canvas.annotations()[0], first);
    EXPECT_EQ(fields(*canvas.annotations()[0]), fields(*first));
    EXPECT_EQ(canvas.selected(), nullptr);
    EXPECT_EQ(delegate.selectionChanges, 1);
    EXPECT_EQ(delegate.contentChanges, 1);

    ASSERT_TRUE(canvas.redo());
    ASSERT_EQ(canvas.annotations().size(), 2u);
    EXPECT_NE(canvas.annotations()[1], second);
    EXPECT_EQ(fields(*canvas.annotations()[1]), fields(*second));
    EXPECT_FALSE(canvas.redo());
}

TEST_F(CanvasHistory, AnEditAfterUndoEmptiesRedo)
{
    addSelected({100, 100}, {200, 200});
    QTest::keyClick(&canvas, Qt::Key_Right);
    ASSERT_TRUE(canvas.undo());
    ASSERT_TRUE(canvas.canRedo());
    canvas.select(canvas.annotations().front());
    canvas.deleteSelection();
    EXPECT_FALSE(canvas.canRedo());
    EXPECT_FALSE(canvas.redo());
    EXPECT_TRUE(canvas.annotations().empty());
}

TEST_F(CanvasHistory, NothingToRestoreChangesNothing)
{
    const AnnotationPtr a = addSelected({100, 100}, {200, 200});
    delegate = CountingDelegate();
    EXPECT_FALSE(canvas.undo());
    EXPECT_FALSE(canvas.redo());
    ASSERT_EQ(canvas.annotations().size(), 1u);
    EXPECT_EQ(canvas.annotations().front(), a);
    EXPECT_EQ(canvas.selected(), a);
    EXPECT_EQ(delegate.selectionChanges + delegate.contentChanges, 0);
}

} // namespace
} // namespace corvane
