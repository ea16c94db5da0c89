// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CanvasTestSupport.h"
#include "output/ImageOutput.h"

#include <QMimeDatabase>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace canvastest;

// A picture whose every pixel differs from its neighbours, so a moved or kept pixel shows.
QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    return image;
}

class CanvasTools : public ::testing::Test {
protected:
    CanvasView canvas{gradient(600, 400), 1};
};

// Numbering as steps are placed and deleted, and their size, are e2e.editor.marker-pen-steps' too; a
// step having no handles is selftest_cli.passes' ("step marker is a circle sized by its font").
TEST_F(CanvasTools, StepsCloseTheGapWhenOneGoesOrComesBackAndGrowAboutTheirCentre)
{
    canvas.setTool(ToolKind::step);
    for (int x : {100, 200, 300})
        click(canvas, {x, 100});
    const auto numbers = [this] {
        std::vector<int> n;
        for (const AnnotationPtr& a : canvas.annotations())
            n.push_back(a->stepNumber);
        return n;
    };
    canvas.select(canvas.annotations()[1]);
    canvas.deleteSelection();
    EXPECT_EQ(numbers(), (std::vector{1, 2}));
    ASSERT_TRUE(canvas.undo());
    EXPECT_EQ(numbers(), (std::vector{1, 2, 3}));

    canvas.select(canvas.annotations()[0]);
    canvas.setFontSize(48);
    EXPECT_EQ(xywh(canvas.annotations()[0]->rect()), (std::array<double, 4>{66.5, 66.5, 67, 67}));
}

TEST_F(CanvasTools, FreehandStrokesKeepTheirSamplesShiftMakesThemStraightAndTheyResizeAndMoveWhole)
{
    canvas.setTool(ToolKind::pen);
    press(canvas, {100, 100});
    for (QPoint p : {QPoint(110, 104), QPoint(130, 120), QPoint(150, 180)})
        moveTo(canvas, p);
    release(canvas, {150, 180});
    click(canvas, {400, 300}); // a click leaves no stroke
    ASSERT_EQ(canvas.annotations().size(), 1u);
    const AnnotationPtr pen = canvas.annotations()[0];
    EXPECT_EQ(pen->points.size(), 4u);
    EXPECT_EQ(xywh(pen->rect()), (std::array<double, 4>{100, 100, 50, 80}));

    canvas.setTool(ToolKind::highlighter);
    drag(canvas, {100, 300}, {200, 310}, Qt::ShiftModifier);
    ASSERT_EQ(canvas.annotations().size(), 2u);
    EXPECT_EQ(canvas.annotations()[1]->points, (std::vector<QPointF>{{100, 300}, {200.49875621120891, 300}}));

    // Dragging the bottom-right handle stretches the stroke with its rectangle.
    canvas.setTool(ToolKind::select);
    click(canvas, {100, 100});
    drag(canvas, {150, 180}, {200, 260});
    EXPECT_EQ(pen->points[2], QPointF(160, 140));
    QTest::keyClick(&canvas, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(pen->points.back(), QPointF(190, 260));
}

// That nothing of the picture shows through, a fresh look each time, and the solid style chosen from
// the menu, are e2e.editor.redact-*'s; a line drawn before it staying on top is selftest_cli.passes'
// ("a line over a redaction stays visible").
TEST_F(CanvasTools, ARedactionMovedTakesANewLookAndUndoBringsItsLookBack)
{
    canvas.addAnnotation(shape(Kind::line, {0, 150}, {600, 150}));
    canvas.setTool(ToolKind::redact);
    drag(canvas, {100, 100}, {300, 200});
    ASSERT_EQ(canvas.annotations().size(), 2u);
    const QImage flat = canvas.renderedImage();

    canvas.select(canvas.annotations()[1]);
    QTest::keyClick(&canvas, Qt::Key_Right);
    EXPECT_NE(canvas.renderedImage().copy(110, 110, 100, 30), flat.copy(110, 110, 100, 30));
    ASSERT_TRUE(canvas.undo());
    EXPECT_EQ(canvas.renderedImage(), flat);
}

TEST(CanvasExportMetadata, NoneOfTheOpenedPictureIsKept)
{
    // A file's text chunks come along when it is read; one may hold a thumbnail of the whole picture.
    QImage opened = gradient(60, 40);
    opened.setText("XML:com.adobe.xmp", "<thumbnail of the secret>");
    opened.setText("Description", "secret");
    CanvasView canvas(opened, 1);
    const QImage flat = canvas.renderedImage();
    EXPECT_TRUE(flat.textKeys().isEmpty()) << flat.textKeys().join(' ').toStdString();
    EXPECT_EQ(flat.convertToFormat(QImage::Format_RGB32), opened.convertToFormat(QImage::Format_RGB32));
    for (const char* type : {"image/png", "image/jpeg", "image/tiff"}) {
        const auto bytes = ImageOutput::data(flat, QMimeDatabase().mimeTypeForName(type), 1);
        ASSERT_TRUE(bytes.has_value()) << type;
        EXPECT_FALSE(bytes->contains("secret")) << type;
    }
}

// A drag marking the area, the pixels kept and the picture back after an undo are e2e.editor.crop's.
TEST_F(CanvasTools, CropKeepsTheAreaMovesTheMarksDropsTheOutsideAndUndoesAsOneStep)
{
    QSignalSpy resized(&canvas, &CanvasView::pictureSizeChanged);
    const AnnotationPtr frame = shape(Kind::rectangle, {100, 80}, {400, 300});
    canvas.addAnnotation(frame);
    canvas.addAnnotation(shape(Kind::arrow, {500, 350}, {580, 390}));
    canvas.addAnnotation(shape(Kind::ellipse, {380, 20}, {450, 100}));
    canvas.select(canvas.annotations()[2]);
    EXPECT_FALSE(canvas.cropToSelection()) << "an ellipse is no crop area";
    canvas.select(frame);
    ASSERT_TRUE(canvas.cropToSelection());
    EXPECT_EQ(canvas.size(), QSize(300, 220));
    ASSERT_EQ(canvas.annotations().size(), 2u) << "the arrow lay wholly outside";
    EXPECT_EQ(xywh(canvas.annotations()[0]->rect()), (std::array<double, 4>{0, 0, 300, 220}));
    EXPECT_EQ(xywh(canvas.annotations()[1]->rect()), (std::array<double, 4>{280, -60, 70, 80}));
    EXPECT_EQ(resized.count(), 1);
    EXPECT_FALSE(canvas.cropTo(QRectF(400, 300, 50, 50))) << "nothing of the picture there";

    ASSERT_TRUE(canvas.undo());
    EXPECT_EQ(canvas.annotations().size(), 3u);
    EXPECT_EQ(resized.count(), 2);
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
    EXPECT_EQ(CanvasView(plainImage(10, 10), 0.5).contentScale(), 1) << "a scale below one is one";
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

TEST_F(CanvasTools, TheHistoryKeepsTheLatestHundredSteps)
{
    const AnnotationPtr box = shape(Kind::rectangle, {100, 100}, {200, 200});
    canvas.addAnnotation(box);
    canvas.select(box);
    for (int i = 0; i < 101; ++i)
        QTest::keyClick(&canvas, Qt::Key_Right);
    ASSERT_EQ(canvas.selected()->p1.x(), 201);

    EXPECT_EQ(drainUndo(canvas), 100);
    ASSERT_EQ(canvas.annotations().size(), 1u);
    EXPECT_EQ(canvas.annotations().front()->p1.x(), 101); // the state after the first nudge
}

TEST_F(CanvasTools, AnyStyleChangeAppliesAllThreeToASelectedTextInOneStep)
{
    CountingDelegate delegate;
    canvas.setDelegate(&delegate);
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
