// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CanvasTestSupport.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace canvastest;

TEST(CanvasView, ScaleIsAtLeastOneAndChromeKeepsItsSizeDownToAMagnificationOfOneTwentieth)
{
    CanvasView canvas(plainImage(10, 10), 0.5);
    EXPECT_EQ(canvas.contentScale(), 1);
    EXPECT_EQ(canvas.chromeMagnification(), 1);
    for (const auto& [set, expected] : {std::pair{4.0, 4.0}, {0.05, 0.05}, {0.01, 0.05}, {0.0, 0.05}}) {
        canvas.setMagnification(set);
        EXPECT_DOUBLE_EQ(canvas.chromeMagnification(), expected) << "magnification " << set;
    }
}

// Something close to the accent colour (fully or partly drawn over grey) within a small square.
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

TEST(CanvasView, TheExportDrawsAnnotationsButNoSelectionChrome)
{
    CanvasView canvas(plainImage(300, 200), 2);
    const AnnotationPtr rectangle = shape(Kind::rectangle, {100, 60}, {200, 140});
    canvas.addAnnotation(rectangle);
    const QImage unselected = canvas.renderedImage();
    EXPECT_NE(unselected.pixel(100, 100), qRgb(128, 128, 128));
    EXPECT_FALSE(hasAccentNear(canvas.grab().toImage(), {100, 60}, 6));

    canvas.select(rectangle);
    EXPECT_EQ(canvas.renderedImage(), unselected);
    // The widget itself shows the handle that the export leaves out.
    EXPECT_TRUE(hasAccentNear(canvas.grab().toImage(), {100, 60}, 6));
}

class CanvasHistory : public ::testing::Test {
protected:
    void SetUp() override { canvas.setDelegate(&delegate); }

    AnnotationPtr addSelected(AnnotationPtr a)
    {
        canvas.addAnnotation(a);
        canvas.select(a);
        return a;
    }

    CanvasView canvas{plainImage(600, 400), 1};
    CountingDelegate delegate;
};

TEST_F(CanvasHistory, KeepsTheLatestHundredSteps)
{
    addSelected(shape(Kind::rectangle, {100, 100}, {200, 200}));
    for (int i = 0; i < 101; ++i)
        QTest::keyClick(&canvas, Qt::Key_Right);
    ASSERT_EQ(canvas.selected()->p1.x(), 201);

    EXPECT_EQ(drainUndo(canvas), 100);
    ASSERT_EQ(canvas.annotations().size(), 1u);
    EXPECT_EQ(canvas.annotations().front()->p1.x(), 101); // the state after the first nudge
}

TEST_F(CanvasHistory, UndoAndRedoRestoreEqualButNewObjectsAndClearTheSelection)
{
    const AnnotationPtr first = addSelected(shape(Kind::rectangle, {100, 100}, {200, 200}));
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

TEST_F(CanvasHistory, AnyStyleChangeAppliesAllThreeToASelectedTextInOneStep)
{
    const AnnotationPtr text = shape(Kind::text, {100, 100}, {300, 200}, "ab");
    canvas.addAnnotation(text);
    const std::string before = fields(*text);
    canvas.setStrokeColor(QColor(0, 0, 255));
    canvas.setFontSize(40);
    EXPECT_EQ(fields(*text), before);
    EXPECT_FALSE(canvas.canUndo());

    canvas.select(text);
    canvas.setLineWidth(5);
    const QRectF r = text->rect();
    EXPECT_EQ((std::array{r.left(), r.top(), r.width()}), (std::array<double, 3>{100, 100, 200}));
    EXPECT_EQ(fields(*text).substr(fields(*text).find('#')), "#0000ff width 5 font 40 'ab'");
    EXPECT_TRUE(isWholePlusEight(r.height())) << r.height();
    EXPECT_EQ(delegate.contentChanges, 1);

    EXPECT_EQ(drainUndo(canvas), 1);
    EXPECT_EQ(fields(*canvas.annotations().front()), before);
}

} // namespace
} // namespace corvane
