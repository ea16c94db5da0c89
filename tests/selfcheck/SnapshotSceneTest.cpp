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

TEST(SnapshotSceneTest, OneMarkOfEveryKindWithTheRectangleSelectedAndNothingToUndo)
{
    QImage picture(1600, 1000, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    EditorWindowController* editor = EditorWindowController::open(picture, 2, QStringLiteral("sample"));
    editor->populateForUITest();
    const CanvasView& canvas = *editor->canvas();

    using K = Annotation::Kind;
    struct Expected {
        K kind;
        QPointF p1, p2;
        QRgb color;
        double lineWidth, fontSize;
        const char* text;
    };
    const Expected expected[] = {
        {K::rectangle, {140, 120}, {640, 420}, qRgb(0xFF, 0x3B, 0x30), 3, 24, ""},
        {K::ellipse, {760, 140}, {1180, 420}, qRgb(0x00, 0x7A, 0xFF), 5, 24, ""},
        {K::arrow, {300, 780}, {720, 520}, qRgb(0xFF, 0x95, 0x00), 6, 24, ""},
        {K::text, {780, 640}, {1480, 730}, qRgb(0xFF, 0xCC, 0x00), 3, 28, "Annotated with Corvane"},
        {K::highlighter, {180, 480}, {620, 480}, qRgb(0xFF, 0xCC, 0x00), 3, 24, ""},
        {K::pen, {80, 830}, {260, 900}, qRgb(0x34, 0xC7, 0x59), 5, 24, ""},
        {K::step, {196.5, 176.5}, {263.5, 243.5}, qRgb(0xAF, 0x52, 0xDE), 3, 24, ""},
        {K::step, {296.5, 176.5}, {363.5, 243.5}, qRgb(0xAF, 0x52, 0xDE), 3, 24, ""},
        {K::redaction, {1220, 300}, {1420, 420}, qRgb(0x00, 0x7A, 0xFF), 3, 24, ""},
    };
    ASSERT_EQ(canvas.annotations().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(testing::Message() << "annotation " << i);
        const Annotation& got = *canvas.annotations()[i];
        const Expected& want = expected[i];
        EXPECT_EQ(got.kind, want.kind);
        EXPECT_EQ(got.p1.x(), want.p1.x());
        EXPECT_EQ(got.p1.y(), want.p1.y());
        EXPECT_EQ(got.p2.x(), want.p2.x());
        EXPECT_EQ(got.p2.y(), want.p2.y());
        EXPECT_EQ(got.color.rgba(), want.color);
        EXPECT_EQ(got.lineWidth, want.lineWidth);
        EXPECT_EQ(got.fontSize, want.fontSize);
        EXPECT_EQ(got.text, QString::fromUtf8(want.text));
    }

    EXPECT_EQ(canvas.annotations()[7]->stepNumber, 2);
    EXPECT_EQ(canvas.selected(), canvas.annotations()[0]);
    EXPECT_FALSE(canvas.canUndo());
    // The window heard about the selection: Delete is ready, Undo is not.
    EXPECT_TRUE(editor->toolbar()->deleteButton()->isEnabled());
    EXPECT_FALSE(editor->toolbar()->undoButton()->isEnabled());
    editor->close();
}

} // namespace
} // namespace corvane
