// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "selfcheck/SelfTest.h"

#include "annotation/Palette.h"
#include "editor/CanvasView.h"
#include "output/ImageOutput.h"

#include <QFile>
#include <QMimeDatabase>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace corvane::SelfTest {

namespace {

constexpr int baseWidth = 1200;
constexpr int baseHeight = 800;

class Report {
public:
    void check(bool passed, const QString& label) { line(passed, label); }

    void line(bool passed, const QString& label)
    {
        print(
            QStringLiteral("%1 %2").arg(passed ? QStringLiteral("  ok  ") : QStringLiteral("  FAIL"), label));
        if (!passed)
            ++m_failures;
    }

    void print(const QString& text)
    {
        std::fputs(text.toUtf8().constData(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }

    void addFailures(int count) { m_failures += count; }
    int failures() const { return m_failures; }

private:
    int m_failures = 0;
};

// A light checkerboard: busy enough that a misplaced or flipped export would show.
std::optional<QImage> makeBasePicture()
{
    QImage image(baseWidth, baseHeight, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::nullopt;
    image.fill(QColor::fromRgbF(0.93f, 0.93f, 0.93f));
    QPainter painter(&image);
    const QColor square = QColor::fromRgbF(0.82f, 0.82f, 0.82f);
    // Squares sit on the bottom-left corner's grid: counted from the bottom, row r and column c are
    // dark when r + c is even. 800 is a whole number of rows, so from the top that is r + c odd.
    for (int row = 0; row * 40 < baseHeight; ++row) {
        for (int column = 0; column * 40 < baseWidth; ++column) {
            if ((row + column) % 2 == 1)
                painter.fillRect(column * 40, row * 40, 40, 40, square);
        }
    }
    return image;
}

AnnotationPtr makeAnnotation(Annotation::Kind kind, QPointF p1, QPointF p2, const QColor& color,
                             double lineWidth, double fontSize, const QString& text = QString())
{
    return std::make_shared<Annotation>(kind, p1, p2, color, lineWidth, fontSize, text);
}

std::vector<AnnotationPtr> sampleAnnotations()
{
    using K = Annotation::Kind;
    return {
        makeAnnotation(K::rectangle, {60, 60}, {400, 260}, Palette::red(), 3, 24),
        makeAnnotation(K::ellipse, {460, 60}, {760, 260}, Palette::blue(), 5, 24),
        makeAnnotation(K::line, {60, 320}, {400, 470}, Palette::green(), 8, 24),
        makeAnnotation(K::arrow, {460, 470}, {780, 320}, Palette::orange(), 6, 24),
        makeAnnotation(K::text, {60, 540}, {800, 640}, Palette::purple(), 3, 32,
                       QStringLiteral("Text annotation — resize me")),
    };
}

void runModelChecks(Report& report, const std::vector<AnnotationPtr>& annotations)
{
    const Annotation& rectangle = *annotations[0];
    const Annotation& line = *annotations[2];
    const Annotation& text = *annotations[4];
    report.check(rectangle.hitTest({60, 160}, 2), QStringLiteral("rectangle edge hit-tests true"));
    report.check(!rectangle.hitTest({230, 160}, 2), QStringLiteral("rectangle interior hit-tests false"));
    report.check(line.hitTest({230, 395}, 2), QStringLiteral("line midpoint hit-tests true"));
    report.check(!line.hitTest({230, 300}, 2), QStringLiteral("point away from line hit-tests false"));

    const QRectF square(10, 10, 100, 100);
    report.check(Annotation::resized(square, 4, {210, 160}) == QRectF(10, 10, 200, 150),
                 QStringLiteral("bottom-right handle resize"));
    report.check(Annotation::resized(square, 0, {210, 160}) == QRectF(110, 110, 100, 50),
                 QStringLiteral("dragging a handle past its opposite normalizes"));
    report.check(text.fontSize * 2 < text.fittingHeight(2),
                 QStringLiteral("text fitting height accounts for the font"));
}

void runToolGeometryChecks(Report& report)
{
    using K = Annotation::Kind;
    Annotation marker(K::highlighter, {}, {}, Palette::yellow(), 3, 24, QString());
    marker.points = {{100, 100}, {300, 100}, {300, 200}};
    report.check(marker.hitTest({200, 108}, 2) && !marker.hitTest({200, 150}, 2),
                 QStringLiteral("highlighter hit-tests along its path only"));
    Annotation pen(K::pen, {}, {}, Palette::green(), 3, 24, QString());
    pen.points = {{10, 10}, {60, 60}};
    report.check(pen.hitTest({35, 35}, 1) && !pen.hitTest({60, 10}, 1),
                 QStringLiteral("pen hit-tests along its path only"));
    const QRectF square = Annotation::stepSquare({100, 100}, 24, 2);
    const Annotation step(K::step, square.topLeft(), square.bottomRight(), Palette::blue(), 3, 24, QString());
    report.check(square.width() == 67 && step.hitTest({100, 100}, 2) && step.handlePoints().empty(),
                 QStringLiteral("step marker is a circle sized by its font"));
    std::vector<AnnotationPtr> steps;
    for (int i = 0; i < 3; ++i)
        steps.push_back(makeAnnotation(K::step, {0, 0}, {10, 10}, Palette::blue(), 3, 24));
    steps.erase(steps.begin());
    renumberSteps(steps);
    report.check(steps[0]->stepNumber == 1 && steps[1]->stepNumber == 2,
                 QStringLiteral("steps renumber without a gap"));
    const Annotation redaction(K::redaction, {10, 10}, {50, 50}, Qt::black, 3, 24, QString());
    report.check(redaction.hitTest({30, 30}, 1), QStringLiteral("redaction hit-tests inside its box"));
}

// A redaction over the picture with a line drawn before it: the export shows blocks of new colours,
// the line on top, and a solid redaction exactly its colour.
void runRedactionChecks(Report& report, const QImage& base)
{
    CanvasView canvas(base, 2);
    canvas.addAnnotation(makeAnnotation(Annotation::Kind::line, {0, 150}, {600, 150}, Palette::red(), 3, 24));
    const AnnotationPtr pixelated =
        makeAnnotation(Annotation::Kind::redaction, {100, 100}, {340, 220}, Qt::black, 3, 24);
    const AnnotationPtr solid =
        makeAnnotation(Annotation::Kind::redaction, {400, 100}, {500, 200}, Palette::green(), 3, 24);
    solid->redactionStyle = Annotation::RedactionStyle::solid;
    canvas.addAnnotation(pixelated);
    canvas.addAnnotation(solid);
    const QImage flat = canvas.renderedImage();
    int kept = 0;
    bool blocks = true;
    for (int y = 100; y < 220; ++y) {
        for (int x = 100; x < 340; ++x) {
            kept += y != 150 && flat.pixel(x, y) == base.pixel(x, y);
            // Blocks of 20: every pixel has its block's top-left colour, away from the line.
            if ((y < 140 || y > 160) &&
                flat.pixel(x, y) != flat.pixel(x - (x - 100) % 20, y - (y - 100) % 20))
                blocks = false;
        }
    }
    report.check(kept == 0 && blocks, QStringLiteral("pixelated redaction replaces its box with blocks"));
    report.check(flat.pixel(200, 150) == Palette::red().rgb(),
                 QStringLiteral("a line over a redaction stays visible"));
    report.check(flat.pixel(400, 100) == Palette::green().rgb() &&
                     flat.pixel(499, 199) == Palette::green().rgb() &&
                     flat.pixel(450, 200) == base.pixel(450, 200),
                 QStringLiteral("solid redaction is exactly its colour"));
}

void runHistoryChecks(Report& report, CanvasView& canvas)
{
    canvas.pushUndo();
    canvas.addAnnotation(makeAnnotation(Annotation::Kind::rectangle, {0, 0}, {10, 10}, Qt::black, 1, 24));
    const std::size_t count = canvas.annotations().size();
    canvas.undo();
    report.check(canvas.annotations().size() == count - 1,
                 QStringLiteral("undo removes the last annotation"));
    canvas.redo();
    report.check(canvas.annotations().size() == count, QStringLiteral("redo restores it"));
    canvas.undo();
    canvas.commitTextEditing();
}

void writeExport(Report& report, const QImage& flattened, const QString& outputPath)
{
    const auto png =
        ImageOutput::data(flattened, QMimeDatabase().mimeTypeForName(QStringLiteral("image/png")), 2);
    if (!png) {
        report.line(false, QStringLiteral("PNG encoding returned nil"));
        return;
    }
    QFile file(outputPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(*png) != png->size() ||
        !file.flush()) {
        report.line(false, QStringLiteral("could not write %1: %2").arg(outputPath, file.errorString()));
        return;
    }
    file.close();
    report.line(true, QStringLiteral("wrote %1 (%2 bytes)").arg(outputPath).arg(png->size()));
}

} // namespace

int run(const QString& outputPath)
{
    Report report;
    const auto base = makeBasePicture();
    if (!base) {
        report.print(QStringLiteral("  FAIL could not build base image"));
        return 1;
    }
    CanvasView canvas(*base, 2);
    report.check(CanvasView::isFlipped(),
                 QStringLiteral("canvas uses a flipped (top-left origin) coordinate space"));
    report.check(canvas.width() == baseWidth && canvas.height() == baseHeight,
                 QStringLiteral("canvas bounds match image pixels"));

    const auto annotations = sampleAnnotations();
    for (const AnnotationPtr& annotation : annotations)
        canvas.addAnnotation(annotation);
    runModelChecks(report, annotations);
    runToolGeometryChecks(report);
    runRedactionChecks(report, *base);
    runHistoryChecks(report, canvas);

    const QImage flattened = canvas.renderedImage();
    if (flattened.isNull()) {
        report.print(QStringLiteral("  FAIL renderedImage() returned nil"));
        return 1;
    }
    report.check(flattened.width() == baseWidth && flattened.height() == baseHeight,
                 QStringLiteral("export keeps full pixel resolution (%1×%2)")
                     .arg(flattened.width())
                     .arg(flattened.height()));
    writeExport(report, flattened, outputPath);
    report.addFailures(orientationCheck());

    if (report.failures() == 0)
        report.print(QStringLiteral("\nAll self-tests passed."));
    else
        report.print(QStringLiteral("\n%1 self-test(s) failed.").arg(report.failures()));
    return report.failures() == 0 ? 0 : 1;
}

std::optional<QImage> orientationMarker(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::nullopt;
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, 16, 16, Palette::red());
    painter.fillRect(width - 16, height - 16, 16, 16, Palette::blue());
    return image;
}

int orientationCheck()
{
    Report report;
    const auto marker = orientationMarker(64, 48);
    if (!marker) {
        report.print(QStringLiteral("  FAIL could not build orientation marker image"));
        return 1;
    }
    CanvasView canvas(*marker, 1);
    canvas.commitTextEditing();
    const QImage flattened = canvas.renderedImage();
    if (flattened.isNull()) {
        report.print(QStringLiteral("  FAIL orientation export returned nil"));
        return 1;
    }
    const RGBA topLeft = sampleRGBA(flattened, 4, 4);
    const RGBA bottomRight = sampleRGBA(flattened, 59, 43);
    report.check(topLeft.r >= 181 && topLeft.g < 120 && topLeft.b < 120,
                 QStringLiteral("exported top-left stays red (not vertically flipped)"));
    report.check(bottomRight.r < 120 && bottomRight.g < 160 && bottomRight.b >= 181,
                 QStringLiteral("exported bottom-right stays blue (not vertically flipped)"));
    return report.failures();
}

RGBA sampleRGBA(const QImage& image, int x, int y)
{
    if (!image.valid(x, y))
        return {};
    const QColor color = image.pixelColor(x, y).toRgb();
    const auto component = [](float value) {
        return static_cast<std::uint8_t>(std::clamp(static_cast<int>(value * 255.0f), 0, 255));
    };
    return {component(color.redF()), component(color.greenF()), component(color.blueF()),
            component(color.alphaF())};
}

} // namespace corvane::SelfTest
