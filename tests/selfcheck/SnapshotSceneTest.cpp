// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/CanvasView.h"
#include "editor/EditorToolbar.h"
#include "editor/EditorWindowController.h"

#include <QAbstractButton>
#include <QImage>
#include <QToolButton>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// Where the marks sit is for the eye, and e2e.uitest_xvfb checks the red rectangle's handles.
TEST(SnapshotSceneTest, OneMarkOfEveryKindWithTheRectangleSelectedAndNothingToUndo)
{
    QImage picture(1600, 1000, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    EditorWindowController* editor = EditorWindowController::open(picture, 2, QStringLiteral("sample"));
    editor->populateForUITest();
    const CanvasView& canvas = *editor->canvas();
    std::vector<int> kinds, steps;
    for (const AnnotationPtr& a : canvas.annotations()) {
        kinds.push_back(Annotation::rawValue(a->kind));
        if (a->kind == Annotation::Kind::step)
            steps.push_back(a->stepNumber);
    }
    EXPECT_EQ(kinds, (std::vector{0, 1, 3, 4, 5, 6, 7, 7, 8}));
    EXPECT_EQ(steps, (std::vector{1, 2}));
    EXPECT_EQ(canvas.annotations()[3]->text, "Annotated with Corvane");
    EXPECT_EQ(canvas.selected(), canvas.annotations()[0]);
    EXPECT_FALSE(canvas.canUndo());
    // The window heard about the selection: Delete is ready, Undo is not.
    EXPECT_TRUE(editor->toolbar()->deleteButton()->isEnabled());
    EXPECT_FALSE(editor->toolbar()->undoButton()->isEnabled());
    editor->close();
}

} // namespace
} // namespace corvane
