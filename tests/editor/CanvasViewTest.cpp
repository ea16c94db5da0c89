// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CanvasTestSupport.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace canvastest;

TEST(CanvasConstruction, WidgetIsAsLargeAsThePictureInPixelsWhateverTheScale)
{
    const CanvasView canvas(plainImage(1200, 800), 2);
    EXPECT_EQ(canvas.size(), QSize(1200, 800));
    EXPECT_EQ(canvas.sizeHint(), QSize(1200, 800));
    EXPECT_EQ(canvas.contentScale(), 2);
}

TEST(CanvasConstruction, ScaleBelowOneIsStoredAsOne)
{
    EXPECT_EQ(CanvasView(plainImage(10, 10), 0.5).contentScale(), 1);
}

TEST(CanvasConstruction, FreshCanvasHasDefaultStyleAndNoHistory)
{
    const CanvasView canvas(plainImage(100, 100), 1);
    EXPECT_EQ(canvas.tool(), ToolKind::rectangle);
    EXPECT_EQ(canvas.strokeColor(), QColor(0xFF, 0x3B, 0x30));
    EXPECT_EQ(canvas.lineWidth(), 3);
    EXPECT_EQ(canvas.fontSize(), 24);
    EXPECT_EQ(canvas.selected(), nullptr);
    EXPECT_TRUE(canvas.annotations().empty());
    EXPECT_FALSE(canvas.canUndo());
    EXPECT_FALSE(canvas.canRedo());
}

TEST(CanvasMagnification, ChromeMagnificationIsClampedBelow)
{
    CanvasView canvas(plainImage(10, 10), 1);
    EXPECT_EQ(canvas.chromeMagnification(), 1);
    const std::array<std::array<double, 2>, 4> cases{{{4, 4}, {0.05, 0.05}, {0.01, 0.05}, {0, 0.05}}};
    for (const auto& [set, expected] : cases) {
        canvas.setMagnification(set);
        EXPECT_DOUBLE_EQ(canvas.chromeMagnification(), expected) << "magnification " << set;
    }
}

// Something close to the accent colour (fully or partly drawn over white or grey) within a small square.
bool hasAccentNear(const QImage& image, QPoint centre, int reach)
{
    for (int y = centre.y() - reach; y <= centre.y() + reach; ++y)
        for (int x = centre.x() - reach; x <= centre.x() + reach; ++x) {
            const QRgb c = image.pixel(x, y);
            if (qBlue(c) >= 200 && qBlue(c) - qRed(c) >= 80)
                return true;
        }
    return false;
}

class CanvasExport : public ::testing::Test {
protected:
    CanvasView canvas{plainImage(300, 200), 2};
    AnnotationPtr rectangle = shape(Kind::rectangle, {100, 60}, {200, 140});
};

TEST_F(CanvasExport, KeepsThePictureUprightAtItsFullPixelSize)
{
    QImage picture = plainImage(300, 200, Qt::white);
    QPainter painter(&picture);
    painter.fillRect(0, 0, 20, 20, Qt::red);
    painter.fillRect(280, 180, 20, 20, Qt::blue);
    painter.end();
    CanvasView marked(picture, 2);
    const QImage out = marked.renderedImage();
    ASSERT_EQ(out.size(), QSize(300, 200));
    EXPECT_EQ(out.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(294, 194), qRgb(0, 0, 255));
    EXPECT_EQ(out.pixel(294, 5), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(5, 194), qRgb(255, 255, 255));
}

TEST_F(CanvasExport, DrawsAnnotationsButNoSelectionChrome)
{
    canvas.addAnnotation(rectangle);
    const QImage unselected = canvas.renderedImage();
    EXPECT_NE(unselected.pixel(100, 100), qRgb(128, 128, 128));
    EXPECT_FALSE(hasAccentNear(canvas.grab().toImage(), {100, 60}, 6));

    canvas.select(rectangle);
    const QImage selected = canvas.renderedImage();
    EXPECT_EQ(selected, unselected);
    EXPECT_FALSE(hasAccentNear(selected, {100, 60}, 6));
    // The widget itself shows the handle that the export leaves out.
    EXPECT_TRUE(hasAccentNear(canvas.grab().toImage(), {100, 60}, 6));
}

TEST_F(CanvasExport, CommitsTheTextBeingTyped)
{
    canvas.setTool(ToolKind::text);
    click(canvas, {20, 20});
    ASSERT_TRUE(canvas.isEditingText());
    QTest::keyClicks(canvas.textEditor(), "WW");

    const QImage out = canvas.renderedImage();
    EXPECT_FALSE(canvas.isEditingText());
    ASSERT_EQ(canvas.annotations().size(), 1u);
    bool inked = false;
    for (int y = 20; y < 60 && !inked; ++y)
        for (int x = 20; x < 140 && !inked; ++x)
            inked = out.pixel(x, y) != qRgb(128, 128, 128);
    EXPECT_TRUE(inked);
}

TEST_F(CanvasExport, DropsAnEmptyNewTextBox)
{
    canvas.setTool(ToolKind::text);
    click(canvas, {20, 20});
    ASSERT_TRUE(canvas.isEditingText());

    const QImage out = canvas.renderedImage();
    EXPECT_FALSE(canvas.isEditingText());
    EXPECT_TRUE(canvas.annotations().empty());
    EXPECT_FALSE(canvas.canUndo());
    EXPECT_EQ(out, plainImage(300, 200).convertToFormat(out.format()));
}

} // namespace
} // namespace corvane
