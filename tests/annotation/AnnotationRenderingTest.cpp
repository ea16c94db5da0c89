// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Annotation.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace corvane {
namespace {

using Kind = Annotation::Kind;

const QColor ink(0, 0, 255);

Annotation make(Kind kind, QPointF p1, QPointF p2, double lineWidth, double fontSize = 24,
                QString text = QString())
{
    return Annotation(kind, p1, p2, ink, lineWidth, fontSize, std::move(text));
}

// On a transparent image the alpha of a pixel is how much of it the drawing covers.
QImage render(const Annotation& a, double scale, QSize size = QSize(300, 200),
              QColor background = Qt::transparent)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    a.draw(painter, scale);
    painter.end();
    return image;
}

enum class Coverage { full, some, none };

struct PixelCase {
    int x;
    int y;
    Coverage coverage;
};

// Thresholds leave room for antialiasing at edges that do not fall on pixel boundaries.
void expectCoverage(const QImage& image, const std::vector<PixelCase>& cases)
{
    for (const PixelCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "pixel (" << c.x << ", " << c.y << ")");
        const int alpha = qAlpha(image.pixel(c.x, c.y));
        switch (c.coverage) {
        case Coverage::full:
            EXPECT_GE(alpha, 200);
            break;
        case Coverage::some:
            EXPECT_GE(alpha, 60);
            break;
        case Coverage::none:
            EXPECT_LE(alpha, 25);
            break;
        }
    }
}

// The smallest rectangle holding every pixel that is not fully transparent.
std::optional<QRect> inkBounds(const QImage& image)
{
    std::optional<QRect> bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                bounds = bounds ? bounds->united(QRect(x, y, 1, 1)) : QRect(x, y, 1, 1);
    return bounds;
}

constexpr Coverage full = Coverage::full;
constexpr Coverage some = Coverage::some;
constexpr Coverage none = Coverage::none;

TEST(AnnotationDrawing, RectangleStrokesItsOutlineWithMitredCornersAndNoFill)
{
    // Stroke 4 wide centred on the edges: x 18..22 on the left, 118..122 on the right.
    const QImage image = render(make(Kind::rectangle, {120, 80}, {20, 20}, 2), 2);
    expectCoverage(image, {
                              {18, 50, full}, {21, 50, full},  {17, 50, none},  {22, 50, none},
                              {118, 50, full}, {121, 50, full}, {117, 50, none}, {122, 50, none},
                              {70, 18, full}, {70, 21, full},  {70, 17, none},  {70, 22, none},
                              {70, 78, full}, {70, 81, full},  {70, 77, none},  {70, 82, none},
                              {70, 50, none}, {30, 30, none},  {110, 70, none}, {23, 23, none},
                              {18, 18, full}, {121, 18, full}, {121, 81, full}, {18, 81, full},
                              {17, 17, none}, {122, 82, none},
                          });
    EXPECT_EQ(image.pixelColor(19, 50).rgb(), ink.rgb());
}

TEST(AnnotationDrawing, RectangleLeavesAWhiteInteriorUntouched)
{
    const QImage image = render(make(Kind::rectangle, {20, 20}, {120, 80}, 2), 2, QSize(150, 100), Qt::white);
    for (QPoint p : {QPoint(70, 50), QPoint(25, 25), QPoint(115, 75)}) {
        SCOPED_TRACE(::testing::Message() << p.x() << ", " << p.y());
        EXPECT_EQ(image.pixel(p), qRgb(255, 255, 255));
    }
}

TEST(AnnotationDrawing, EllipseStrokesTheInscribedCurveAndNoFill)
{
    // Centre (120, 70), radii 100 x 50, stroke 4 wide.
    const QImage image = render(make(Kind::ellipse, {20, 20}, {220, 120}, 2), 2);
    expectCoverage(image, {
                              {19, 70, full},  {20, 70, full},   {16, 70, none},  {24, 70, none},
                              {219, 70, full}, {220, 70, full},  {216, 70, none}, {224, 70, none},
                              {120, 19, full}, {120, 20, full},  {120, 16, none}, {120, 24, none},
                              {120, 119, full}, {190, 34, full}, {120, 70, none}, {60, 70, none},
                              {20, 20, none},  {21, 21, none},   {218, 118, none}, {218, 21, none},
                          });

    const QImage onWhite = render(make(Kind::ellipse, {20, 20}, {220, 120}, 2), 2, QSize(250, 150), Qt::white);
    EXPECT_EQ(onWhite.pixel(120, 70), qRgb(255, 255, 255));
    EXPECT_EQ(onWhite.pixel(60, 70), qRgb(255, 255, 255));
}

TEST(AnnotationDrawing, LineHasRoundCaps)
{
    // Stroke 6 wide from (20, 50) to (120, 50); the caps reach 3 beyond each end.
    const QImage image = render(make(Kind::line, {20, 50}, {120, 50}, 3), 2);
    expectCoverage(image, {
                              {70, 47, full}, {70, 52, full}, {70, 46, none}, {70, 53, none},
                              {18, 50, full}, {18, 49, full}, {16, 50, none}, {121, 50, full},
                              {123, 50, none}, {17, 46, none},
                          });
}

TEST(AnnotationDrawing, ArrowHeadIsFourStrokesLongAndPointEightFiveOfThatWide)
{
    // Stroke 6, length 200: head 24 long with its base at x = 196 and half-width 10.2 there; the
    // shaft (y 97..103) ends at x = 199.6, inside the head.
    const QImage image = render(make(Kind::arrow, {20, 100}, {220, 100}, 3), 2);
    expectCoverage(image, {
                              // Across the head just ahead of its base.
                              {197, 108, full}, {197, 91, full},  {197, 111, none}, {197, 88, none},
                              {196, 109, full}, {196, 90, full},  {196, 110, none}, {196, 89, none},
                              // Nothing of the head behind its base.
                              {194, 108, none}, {194, 91, none},  {190, 104, none},
                              // Near the tip, and nothing past it.
                              {217, 99, full},  {217, 100, full}, {220, 99, none},  {220, 100, none},
                              {222, 100, none},
                              // The shaft stops short of the tip: where the head is narrower than the
                              // shaft, only the head shows.
                              {216, 102, none}, {216, 97, none},
                              // The shaft is 6 thick.
                              {100, 97, full},  {100, 102, full}, {100, 96, none},  {100, 103, none},
                              {60, 100, full},
                              // Round cap at the tail.
                              {18, 100, full},  {18, 99, full},   {16, 100, none},
                          });
    EXPECT_EQ(image.pixelColor(197, 100).rgb(), ink.rgb());
}

TEST(AnnotationDrawing, ShortArrowIsAllHead)
{
    // Stroke 2, length 8: the head is clamped to 8, so its base (half-width 3.4) sits on the tail at
    // x = 40 and only the shaft's round cap (radius 1) shows behind it.
    const QImage image = render(make(Kind::arrow, {40, 50}, {48, 50}, 1), 2, QSize(100, 100));
    expectCoverage(image, {
                              {40, 47, full}, {40, 52, full}, {43, 49, full}, {45, 49, full},
                              {45, 50, full}, {39, 49, some}, {39, 50, some}, {39, 47, none},
                              {39, 52, none}, {38, 49, none}, {38, 50, none}, {36, 50, none},
                              {48, 49, none}, {48, 50, none}, {40, 45, none}, {40, 54, none},
                          });
    const std::optional<QRect> bounds = inkBounds(image);
    ASSERT_TRUE(bounds);
    EXPECT_GE(bounds->left(), 39);
    EXPECT_LE(bounds->right(), 47);
    EXPECT_GE(bounds->top(), 46);
    EXPECT_LE(bounds->bottom(), 53);
}

TEST(AnnotationDrawing, ZeroLengthArrowDrawsOnlyAroundItsPoint)
{
    const QImage image = render(make(Kind::arrow, {50, 50}, {50, 50}, 3), 2, QSize(100, 100));
    const std::optional<QRect> bounds = inkBounds(image);
    if (bounds) {
        EXPECT_TRUE(QRect(42, 42, 16, 16).contains(*bounds));
    }
}

TEST(AnnotationDrawing, StrokeIsNeverThinnerThanOnePixel)
{
    struct Case {
        double lineWidth;
        double scale;
    };
    // The line runs along y = 20.5, so a 1-pixel stroke fills row 20 exactly and nothing else.
    for (const Case c : {Case{0.2, 2}, Case{0, 2}, Case{0.4, 2}, Case{0.5, 1}}) {
        SCOPED_TRACE(::testing::Message() << "lineWidth " << c.lineWidth << " scale " << c.scale);
        const QImage line = render(make(Kind::line, {10, 20.5}, {90, 20.5}, c.lineWidth), c.scale,
                                   QSize(100, 40));
        expectCoverage(line, {{50, 20, full}, {50, 19, none}, {50, 21, none}});
        EXPECT_GE(qAlpha(line.pixel(50, 20)), 240);

        const QImage rect = render(make(Kind::rectangle, {10.5, 10.5}, {80.5, 60.5}, c.lineWidth), c.scale,
                                   QSize(100, 80));
        expectCoverage(rect, {{10, 30, full}, {9, 30, none}, {11, 30, none}, {40, 60, full}, {40, 59, none}});
    }
}

TEST(AnnotationText, FontIsMediumWeightAtScaledSizeButAtLeastFour)
{
    struct Case {
        double fontSize;
        double scale;
        int pixelSize;
    };
    const std::vector<Case> cases{{1, 2, 4}, {24, 2, 48}, {1.5, 2, 4}, {0, 1, 4}, {2, 2, 4},
                                  {10, 1, 10}, {13, 1, 13}, {16, 1.5, 24}, {32, 2, 64}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "fontSize " << c.fontSize << " scale " << c.scale);
        const Annotation::TextStyle style =
            make(Kind::text, {0, 0}, {100, 40}, 3, c.fontSize, QStringLiteral("abc")).attributedText(c.scale);
        EXPECT_EQ(style.font.pixelSize(), c.pixelSize);
        EXPECT_EQ(style.font.weight(), QFont::Medium);
    }
}

TEST(AnnotationText, StyleCarriesTextColourAndWordWrapping)
{
    Annotation a = make(Kind::text, {0, 0}, {100, 40}, 3, 12, QStringLiteral("two words"));
    a.color = QColor(0x34, 0xC7, 0x59, 180);
    const Annotation::TextStyle style = a.attributedText(2);
    EXPECT_EQ(style.text, QStringLiteral("two words"));
    EXPECT_EQ(style.color, QColor(0x34, 0xC7, 0x59, 180));
    EXPECT_TRUE(style.option.wrapMode() == QTextOption::WordWrap ||
                style.option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere);
    EXPECT_TRUE(style.option.alignment() & Qt::AlignLeft);
}

TEST(AnnotationText, EmptyTextDrawsNothing)
{
    for (QColor background : {QColor(Qt::white), QColor(Qt::transparent)}) {
        SCOPED_TRACE(background.name(QColor::HexArgb).toStdString());
        QImage blank(200, 120, QImage::Format_ARGB32_Premultiplied);
        blank.fill(background);
        const QImage image = render(make(Kind::text, {20, 20}, {180, 100}, 3, 24), 2, blank.size(), background);
        EXPECT_EQ(image, blank);
    }
}

TEST(AnnotationText, TextIsDrawnInsideItsBoxFromTheTopLeft)
{
    struct Case {
        double width;
        QString text;
    };
    const std::vector<Case> cases{
        {260, QStringLiteral("Corvane marks the spot")},
        {90, QStringLiteral("A longer sentence that has to wrap over several lines")},
        {30, QStringLiteral("Unbreakablewordwithoutspaces")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        Annotation a = make(Kind::text, {20, 20}, {20 + c.width, 20}, 3, 12, c.text);
        a.p2.setY(20 + a.fittingHeight(2));
        const QImage image = render(a, 2, QSize(320, 700));
        const std::optional<QRect> bounds = inkBounds(image);
        ASSERT_TRUE(bounds);
        const QRect box = a.rect().toAlignedRect();
        EXPECT_TRUE(box.contains(*bounds)) << "ink " << bounds->x() << "," << bounds->y() << " "
                                           << bounds->width() << "x" << bounds->height();
        // Laid out from the inset top-left: the first glyph starts within a few pixels of it.
        EXPECT_GE(bounds->left(), 21);
        EXPECT_LE(bounds->left(), 26);
        EXPECT_GE(bounds->top(), 21);
        EXPECT_LE(bounds->top(), 30);
    }
}

TEST(AnnotationText, TextIsDrawnInItsColour)
{
    Annotation a = make(Kind::text, {20, 20}, {300, 20}, 3, 24, QStringLiteral("HIM"));
    a.p2.setY(20 + a.fittingHeight(2));
    const QImage image = render(a, 2, QSize(320, 120));
    int strongest = 0;
    QColor colour;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > strongest) {
                strongest = qAlpha(image.pixel(x, y));
                colour = image.pixelColor(x, y);
            }
    EXPECT_EQ(strongest, 255);
    EXPECT_EQ(colour.rgb(), ink.rgb());
}

TEST(AnnotationText, FontSmallerThanFourIsDrawnAtFour)
{
    const auto draw = [](double fontSize) {
        return render(make(Kind::text, {10, 10}, {200, 40}, 3, fontSize, QStringLiteral("MMMM WWWW")), 2,
                      QSize(220, 60));
    };
    const QImage atFour = draw(2);
    EXPECT_TRUE(inkBounds(atFour).has_value());
    EXPECT_EQ(draw(1), atFour);
    EXPECT_EQ(draw(0.5), atFour);
    EXPECT_NE(draw(4), atFour);
}

double fittingHeight(double width, double height, double fontSize, double scale, const QString& text)
{
    return make(Kind::text, {50, 50}, {50 + width, 50 + height}, 3, fontSize, text).fittingHeight(scale);
}

TEST(AnnotationFittingHeight, EmptyTextIsOneLineOfOnePointFourTimesTheFont)
{
    struct Case {
        double fontSize;
        double scale;
        double height;
    };
    for (const Case c : {Case{24, 2, 67.2}, Case{10, 1, 14}, Case{12, 1.5, 25.2}, Case{1, 2, 2.8}}) {
        SCOPED_TRACE(::testing::Message() << "fontSize " << c.fontSize << " scale " << c.scale);
        EXPECT_DOUBLE_EQ(fittingHeight(200, 40, c.fontSize, c.scale, QString()), c.height);
        EXPECT_DOUBLE_EQ(fittingHeight(3, 900, c.fontSize, c.scale, QString()), c.height);
    }
}

TEST(AnnotationFittingHeight, IsAWholeNumberPlusEight)
{
    struct Case {
        double width;
        double fontSize;
        QString text;
    };
    const std::vector<Case> cases{
        {600, 32, QStringLiteral("One line")},
        {600, 11, QStringLiteral("x")},
        {120, 13, QStringLiteral("several words that wrap around")},
        {5, 7, QStringLiteral("narrow")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const double h = fittingHeight(c.width, 40, c.fontSize, 2, c.text);
        EXPECT_EQ(h - 8, std::floor(h - 8));
        EXPECT_GE(h - 8, 2 * c.fontSize);
    }
}

TEST(AnnotationFittingHeight, OneLineAtFontThirtyTwoIsTallerThanSixtyFour)
{
    EXPECT_GT(fittingHeight(600, 40, 32, 2, QStringLiteral("Hello")), 64);
}

TEST(AnnotationFittingHeight, GrowsWithTheFontAtTheSameWidth)
{
    const QString text = QStringLiteral("Hello world");
    double previous = 0;
    for (double fontSize : {6.0, 12.0, 24.0, 48.0}) {
        SCOPED_TRACE(fontSize);
        const double h = fittingHeight(400, 40, fontSize, 2, text);
        EXPECT_GT(h, previous);
        previous = h;
    }
}

TEST(AnnotationFittingHeight, DependsOnScaleTimesFontSizeOnly)
{
    const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog");
    EXPECT_EQ(fittingHeight(150, 40, 12, 2, text), fittingHeight(150, 40, 24, 1, text));
    EXPECT_EQ(fittingHeight(150, 40, 8, 3, text), fittingHeight(150, 40, 12, 2, text));
}

TEST(AnnotationFittingHeight, NarrowBoxWrapsToMoreLines)
{
    const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog");
    const double wide = fittingHeight(900, 40, 12, 2, text);
    const double narrow = fittingHeight(120, 40, 12, 2, text);
    EXPECT_GT(narrow, wide);
    // At least three lines where the wide box needs one.
    EXPECT_GE(narrow - 8, 3 * (wide - 8) - 3);
}

TEST(AnnotationFittingHeight, BoxNarrowerThanFourteenIsMeasuredAtTen)
{
    const QString text = QStringLiteral("abc def");
    const double atTen = fittingHeight(14, 40, 12, 2, text);
    for (double width : {0.0, 2.0, 4.0, 10.0, 13.5, -14.0, -2.0}) {
        SCOPED_TRACE(width);
        EXPECT_EQ(fittingHeight(width, 40, 12, 2, text), atTen);
    }
    // At 10 pixels every glyph sits on a line of its own, far taller than one line.
    EXPECT_GT(atTen, 2 * fittingHeight(600, 40, 12, 2, text));
}

TEST(AnnotationFittingHeight, NeverDependsOnTheCurrentHeight)
{
    const QString text = QStringLiteral("Some words to wrap in a box");
    const double reference = fittingHeight(140, 40, 12, 2, text);
    for (double height : {0.0, 1.0, 500.0, -300.0}) {
        SCOPED_TRACE(height);
        EXPECT_EQ(fittingHeight(140, height, 12, 2, text), reference);
    }
    // Nor on which corner the points name.
    EXPECT_EQ(fittingHeight(-140, -40, 12, 2, text), reference);
}

} // namespace
} // namespace corvane
