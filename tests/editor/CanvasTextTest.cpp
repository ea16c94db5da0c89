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
        for (const QChar c : text)
            c == u'\n' ? QTest::keyClick(editor, Qt::Key_Return) : QTest::keyClicks(editor, QString(c));
    }

    AnnotationPtr addText(QPointF p1, QPointF p2, const QString& text)
    {
        canvas.addAnnotation(shape(Kind::text, p1, p2, text));
        return canvas.annotations().back();
    }

    CanvasView canvas{plainImage(800, 600), 2};
};

// However the edit ends, text that is only white space leaves nothing behind, not even a history step;
// anything else is kept, fitted to its text.
TEST_F(CanvasText, EveryWayOfEndingKeepsTextAndDropsABlankBox)
{
    enum End { escape, clickElsewhere, commit, clearAll, exported };
    const struct {
        const char* typed;
        End end;
        std::size_t left; // annotations afterwards
        int steps;        // undo steps afterwards
    } cases[] = {
        {"", escape, 0, 0},     {"ab", escape, 1, 1},   {"ab", clickElsewhere, 1, 1}, {"   \n", commit, 0, 0},
        {"\n\n", commit, 0, 0}, {" a  ", commit, 1, 1}, {"\n.", commit, 1, 1},        {"ab", clearAll, 0, 2},
        {"", clearAll, 0, 0},   {"WW", exported, 1, 1}, {"", exported, 0, 0},
    };
    const QImage blank = plainImage(800, 600).convertToFormat(canvas.renderedImage().format());
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed '" << c.typed << "', ending " << c.end);
        canvas.setTool(ToolKind::text);
        type(openNewBox(), QString::fromUtf8(c.typed));
        switch (c.end) {
        case escape:
            QTest::keyClick(canvas.textEditor(), Qt::Key_Escape);
            EXPECT_TRUE(canvas.hasFocus());
            break;
        case clickElsewhere:
            click(canvas, {10, 300});
            break;
        case commit:
            EXPECT_TRUE(canvas.commitTextEditing());
            break;
        case clearAll:
            canvas.clearAll();
            break;
        case exported:
            EXPECT_EQ(canvas.renderedImage() == blank, c.left == 0);
            break;
        }
        EXPECT_FALSE(canvas.commitTextEditing()) << "the edit has ended";
        ASSERT_EQ(canvas.annotations().size(), c.left);
        if (c.left) {
            const Annotation& a = *canvas.annotations().front();
            EXPECT_EQ(a.text, QString::fromUtf8(c.typed));
            EXPECT_EQ(xywh(a.rect()).at(2), 480);
            EXPECT_TRUE(isWholePlusEight(a.rect().height())) << a.rect().height();
        } else {
            EXPECT_EQ(canvas.selected(), nullptr);
        }
        EXPECT_EQ(drainUndo(canvas), c.steps);
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
    EXPECT_EQ(drainUndo(canvas), 1);
    ASSERT_EQ(canvas.annotations().size(), 1u);
    EXPECT_EQ(canvas.annotations().front()->text, "hello");
}

// The box under the editor grows line by line as Return is typed; opening another text commits it.
TEST_F(CanvasText, TheEditorOpensOverANewBoxGrowsWithItsLinesAndWidensANarrowOne)
{
    QTextEdit* editor = openNewBox();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_EQ(editor->pos(), QPoint(100, 100));
    EXPECT_EQ(editor->width(), 480);
    EXPECT_EQ(canvas.selected(), canvas.editingAnnotation());
    const AnnotationPtr first = canvas.editingAnnotation();
    EXPECT_EQ(xywh(first->rect()).at(2), 480);
    EXPECT_DOUBLE_EQ(first->rect().height(), 67.2);
    type(editor, "ab\ncd");
    ASSERT_TRUE(canvas.isEditingText());
    EXPECT_EQ(first->text, "ab\ncd");
    EXPECT_GT(first->rect().height(), 100);
    EXPECT_NEAR(editor->height(), first->rect().height(), 1);

    canvas.setTool(ToolKind::select);
    const AnnotationPtr narrow = addText({100, 400}, {120, 450}, "x");
    doubleClick(canvas, {110, 420});
    ASSERT_EQ(canvas.editingAnnotation(), narrow);
    EXPECT_EQ(first->text, "ab\ncd");
    EXPECT_TRUE(isWholePlusEight(first->rect().height())) << first->rect().height();
    EXPECT_EQ(canvas.textEditor()->geometry().topLeft(), QPoint(100, 400));
    EXPECT_EQ(canvas.textEditor()->width(), 40);
    EXPECT_EQ(xywh(narrow->rect()).at(2), 40);
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
}

} // namespace
} // namespace corvane
