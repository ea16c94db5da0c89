// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CanvasTestSupport.h"

#include <QTextEdit>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace canvastest;

// Scale 2 and the default font size 24: a new box is 480 x 67.2 pixels.
class CanvasText : public ::testing::Test {
protected:
    void SetUp() override
    {
        canvas.setDelegate(&delegate);
        canvas.setTool(ToolKind::text);
        // The editor's focus and visibility are only real in a shown, active window.
        canvas.show();
        canvas.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&canvas));
    }

    QTextEdit* openNewBox(QPoint at = {100, 100})
    {
        click(canvas, at);
        EXPECT_TRUE(canvas.isEditingText());
        return canvas.textEditor();
    }

    // Typed key by key, so that a line break arrives as the Return key.
    static void type(QTextEdit* editor, const QString& text)
    {
        for (const QChar c : text) {
            if (c == u'\n')
                QTest::keyClick(editor, Qt::Key_Return);
            else
                QTest::keyClicks(editor, QString(c));
        }
    }

    AnnotationPtr addText(QPointF p1, QPointF p2, const QString& text)
    {
        const AnnotationPtr a = shape(Kind::text, p1, p2, text);
        canvas.addAnnotation(a);
        return a;
    }

    CanvasView canvas{plainImage(800, 600), 2};
    CountingDelegate delegate;
};

TEST_F(CanvasText, ClickWithTextToolOpensAnEditorOverANewBox)
{
    QTextEdit* editor = openNewBox();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_EQ(editor->pos(), QPoint(100, 100));
    EXPECT_EQ(editor->width(), 480);
    EXPECT_NEAR(editor->height(), 67.2, 1);

    const AnnotationPtr a = canvas.editingAnnotation();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(canvas.selected(), a);
    const QRectF r = a->rect();
    EXPECT_EQ(r.topLeft(), QPointF(100, 100));
    EXPECT_DOUBLE_EQ(r.width(), 480);
    EXPECT_DOUBLE_EQ(r.height(), 67.2);
}

TEST_F(CanvasText, EscapeOnAnEmptyNewBoxRemovesItAndItsHistoryStep)
{
    canvas.pushUndo();
    canvas.addAnnotation(shape(Kind::rectangle, {400, 400}, {500, 500}));
    QTextEdit* editor = openNewBox();
    QTest::keyClick(editor, Qt::Key_Escape);

    EXPECT_FALSE(canvas.isEditingText());
    EXPECT_EQ(canvas.annotations().size(), 1u);
    EXPECT_EQ(canvas.selected(), nullptr);
    EXPECT_TRUE(canvas.hasFocus());
    EXPECT_EQ(drainUndo(canvas), 1);
}

TEST_F(CanvasText, EscapeKeepsTypedText)
{
    type(openNewBox(), "ab");
    QTest::keyClick(canvas.textEditor(), Qt::Key_Escape);
    EXPECT_FALSE(canvas.isEditingText());
    ASSERT_EQ(canvas.annotations().size(), 1u);
    EXPECT_EQ(canvas.annotations().front()->text, "ab");
}

TEST_F(CanvasText, ClickElsewhereOnlyEndsTheEditAndFitsTheBoxToTheText)
{
    type(openNewBox(), "ab");
    EXPECT_EQ(canvas.editingAnnotation()->text, "ab");
    click(canvas, {10, 300});

    EXPECT_FALSE(canvas.isEditingText());
    ASSERT_EQ(canvas.annotations().size(), 1u);
    const Annotation& a = *canvas.annotations().front();
    EXPECT_EQ(a.text, "ab");
    EXPECT_EQ(a.rect().topLeft(), QPointF(100, 100));
    EXPECT_EQ(a.rect().width(), 480);
    EXPECT_TRUE(isWholePlusEight(a.rect().height())) << a.rect().height();
}

TEST_F(CanvasText, OnlyWhiteSpaceCountsAsBlank)
{
    struct Case {
        QString typed;
        bool kept;
    };
    const std::vector<Case> cases{{"   \n", false}, {"\n\n", false}, {" a  ", true}, {"\n.", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed '" << c.typed.toStdString() << "'");
        type(openNewBox(), c.typed);
        ASSERT_TRUE(canvas.commitTextEditing());
        ASSERT_EQ(canvas.annotations().size(), c.kept ? 1u : 0u);
        EXPECT_EQ(canvas.canUndo(), c.kept);
        if (c.kept)
            EXPECT_EQ(canvas.annotations().front()->text, c.typed);
        else
            EXPECT_EQ(canvas.selected(), nullptr);
        canvas.clearAll();
        drainUndo(canvas);
    }
}

TEST_F(CanvasText, BlankingAnExistingTextRemovesItButKeepsHistory)
{
    canvas.setTool(ToolKind::select);
    addText({100, 100}, {400, 170}, "hello");
    doubleClick(canvas, {150, 130});
    ASSERT_TRUE(canvas.isEditingText());
    QTest::keyClick(canvas.textEditor(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(canvas.textEditor(), Qt::Key_Backspace);

    ASSERT_TRUE(canvas.commitTextEditing());
    EXPECT_TRUE(canvas.annotations().empty());
    ASSERT_TRUE(canvas.undo());
    ASSERT_EQ(canvas.annotations().size(), 1u);
    EXPECT_EQ(canvas.annotations().front()->text, "hello");
    EXPECT_FALSE(canvas.undo());
}

TEST_F(CanvasText, NarrowBoxIsWidenedToTheEditorMinimum)
{
    canvas.setTool(ToolKind::select);
    const AnnotationPtr a = addText({100, 100}, {120, 150}, "x");
    doubleClick(canvas, {110, 120});
    ASSERT_TRUE(canvas.isEditingText());
    EXPECT_EQ(canvas.editingAnnotation(), a);
    EXPECT_EQ(canvas.textEditor()->geometry().topLeft(), QPoint(100, 100));
    EXPECT_EQ(canvas.textEditor()->width(), 40);
    EXPECT_EQ(a->rect().left(), 100);
    EXPECT_EQ(a->rect().width(), 40);
}

TEST_F(CanvasText, ReturnAddsALineAndTheEditGoesOn)
{
    QTextEdit* editor = openNewBox();
    type(editor, "ab");
    const double oneLine = canvas.editingAnnotation()->rect().height();
    type(editor, "\ncd");

    ASSERT_TRUE(canvas.isEditingText());
    EXPECT_EQ(canvas.editingAnnotation()->text, "ab\ncd");
    const double twoLines = canvas.editingAnnotation()->rect().height();
    EXPECT_GT(twoLines, oneLine);
    EXPECT_NEAR(editor->height(), twoLines, 1);
}

TEST_F(CanvasText, CommitReportsWhetherAnEditEnded)
{
    EXPECT_FALSE(canvas.commitTextEditing());
    EXPECT_EQ(delegate.contentChanges + delegate.selectionChanges, 0);

    type(openNewBox(), "a");
    delegate = CountingDelegate();
    EXPECT_TRUE(canvas.commitTextEditing());
    EXPECT_EQ(delegate.contentChanges, 1);
    EXPECT_FALSE(canvas.commitTextEditing());
    EXPECT_EQ(delegate.contentChanges, 1);
}

TEST_F(CanvasText, OpeningAnotherTextCommitsTheOpenOne)
{
    type(openNewBox(), "ab");
    const AnnotationPtr first = canvas.editingAnnotation();
    canvas.setTool(ToolKind::select);
    const AnnotationPtr second = addText({100, 400}, {400, 460}, "cd");
    doubleClick(canvas, {150, 420});

    EXPECT_EQ(canvas.editingAnnotation(), second);
    EXPECT_EQ(first->text, "ab");
    EXPECT_TRUE(isWholePlusEight(first->rect().height())) << first->rect().height();
}

TEST_F(CanvasText, ClearAllCommitsTheEditFirst)
{
    type(openNewBox(), "ab");
    canvas.clearAll();
    EXPECT_FALSE(canvas.isEditingText());
    EXPECT_TRUE(canvas.annotations().empty());

    ASSERT_TRUE(canvas.undo());
    ASSERT_EQ(canvas.annotations().size(), 1u);
    EXPECT_EQ(canvas.annotations().front()->text, "ab");
    EXPECT_TRUE(isWholePlusEight(canvas.annotations().front()->rect().height()));
}

TEST_F(CanvasText, ClearAllWithOnlyAnEmptyNewBoxLeavesNoHistory)
{
    openNewBox();
    canvas.clearAll();
    EXPECT_FALSE(canvas.isEditingText());
    EXPECT_TRUE(canvas.annotations().empty());
    EXPECT_FALSE(canvas.canUndo());
}

TEST_F(CanvasText, UndoWithAnEmptyNewBoxOpenDropsItThenUndoesTheEditBefore)
{
    canvas.setTool(ToolKind::rectangle);
    drag(canvas, {300, 300}, {400, 400});
    canvas.setTool(ToolKind::text);
    openNewBox();

    EXPECT_TRUE(canvas.undo());
    EXPECT_FALSE(canvas.isEditingText());
    EXPECT_TRUE(canvas.annotations().empty());
    ASSERT_TRUE(canvas.redo());
    ASSERT_EQ(canvas.annotations().size(), 1u);
    EXPECT_EQ(canvas.annotations().front()->kind, Kind::rectangle);
    EXPECT_FALSE(canvas.redo());

    canvas.clearAll();
    drainUndo(canvas);
    openNewBox();
    EXPECT_FALSE(canvas.undo());
    EXPECT_FALSE(canvas.isEditingText());
    EXPECT_TRUE(canvas.annotations().empty());
}

} // namespace
} // namespace corvane
