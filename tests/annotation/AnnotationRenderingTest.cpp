// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Annotation.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <utility>
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

// On a transparent image a pixel's alpha is how much of it the drawing covers.
QImage render(const Annotation& a, double scale, QSize size = QSize(300, 200))
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    a.draw(painter, scale);
    painter.end();
    return image;
}

enum Coverage { full, some, none };

struct PixelCase {
    int x, y;
    Coverage coverage;
};

// The thresholds leave room for antialiasing where an edge does not fall on a pixel boundary.
void expectCoverage(const QImage& image, const std::vector<PixelCase>& cases)
{
    for (const PixelCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "pixel (" << c.x << ", " << c.y << ")");
        const int alpha = qAlpha(image.pixel(c.x, c.y));
        if (c.coverage == none)
            EXPECT_LE(alpha, 25);
        else
            EXPECT_GE(alpha, c.coverage == full ? 200 : 60);
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

TEST(AnnotationDrawing, StrokesOutlinesWithNothingInsideAndLinesWithRoundCaps)
{
    // Strokes 4 wide, 6 for the line, centred on the geometry.
    const QImage images[] = {
        render(make(Kind::rectangle, {120, 80}, {20, 20}, 2), 2),
        render(make(Kind::ellipse, {20, 20}, {220, 120}, 2), 2), // centre (120, 70), radii 100 x 50
        render(make(Kind::line, {20, 50}, {120, 50}, 3), 2),
    };
    struct Case {
        int image;
        PixelCase pixel;
    };
    const std::vector<Case> cases{
        {0, {18, 50, full}},  {0, {17, 50, none}}, {0, {22, 50, none}},   {0, {121, 81, full}},
        {0, {122, 82, none}}, {0, {70, 50, none}}, {0, {23, 23, none}},   {1, {19, 70, full}},
        {1, {16, 70, none}},  {1, {24, 70, none}}, {1, {120, 119, full}}, {1, {120, 70, none}},
        {1, {21, 21, none}},  {2, {70, 47, full}}, {2, {70, 46, none}},   {2, {70, 53, none}},
        {2, {18, 50, full}},  {2, {16, 50, none}}, {2, {123, 50, none}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        expectCoverage(images[c.image], {c.pixel});
    }
}

TEST(AnnotationDrawing, ArrowHeadIsFourStrokesLongAndPointEightFiveOfThatWide)
{
    // Stroke 6, length 200: the head is 24 long, its base at x = 196 and 20.4 wide; the shaft (y 97..103)
    // stops 20.4 before the tip.
    const QImage image = render(make(Kind::arrow, {20, 100}, {220, 100}, 3), 2, QSize(240, 200));
    const std::vector<PixelCase> pixels{
        {197, 108, full}, {197, 91, full},  {197, 111, none}, {197, 88, none},  {196, 109, full},
        {196, 110, none}, {194, 108, none}, {190, 104, none}, {217, 99, full},  {220, 100, none},
        {216, 102, none}, {216, 97, none},  {100, 97, full},  {100, 102, full}, {100, 96, none},
        {100, 103, none}, {18, 100, full},  {16, 100, none},
    };
    expectCoverage(image, pixels);
    EXPECT_EQ(image.pixelColor(197, 100).rgb(), ink.rgb());
}

TEST(AnnotationDrawing, ShortArrowsAreAllHead)
{
    // Stroke 2, length 8: the head is cut to 8, its base (6.8 wide) on the tail at x = 40, and only
    // the shaft's round cap (radius 1) shows behind it.
    const QImage image = render(make(Kind::arrow, {40, 50}, {48, 50}, 1), 2, QSize(100, 100));
    const std::vector<PixelCase> pixels{
        {40, 47, full}, {40, 52, full}, {45, 49, full}, {39, 50, some},
        {39, 47, none}, {38, 50, none}, {48, 50, none}, {40, 45, none},
    };
    expectCoverage(image, pixels);
    std::optional<QRect> bounds = inkBounds(image);
    ASSERT_TRUE(bounds);
    EXPECT_TRUE(QRect(39, 46, 9, 8).contains(*bounds));

    // The zero-length arrow's direction is 0/0 in principle; whatever it draws stays near its point.
    bounds = inkBounds(render(make(Kind::arrow, {50, 50}, {50, 50}, 3), 2));
    if (bounds) {
        EXPECT_TRUE(QRect(42, 42, 16, 16).contains(*bounds));
    }
}

TEST(AnnotationDrawing, StrokeIsNeverThinnerThanOnePixel)
{
    // Along y = 20.5 a 1-pixel stroke fills row 20 exactly and nothing else.
    for (double lineWidth : {0.2, 0.0}) {
        SCOPED_TRACE(lineWidth);
        const QImage line = render(make(Kind::line, {10, 20.5}, {90, 20.5}, lineWidth), 2, QSize(100, 40));
        EXPECT_GE(qAlpha(line.pixel(50, 20)), 240);
        expectCoverage(line, {{50, 19, none}, {50, 21, none}});
    }
}

TEST(AnnotationText, FontIsMediumWeightAtTheScaledSizeButAtLeastFour)
{
    const QFont font = make(Kind::text, {0, 0}, {100, 40}, 3, 24, "abc").attributedText(2).font;
    EXPECT_EQ(font.pixelSize(), 48);
    EXPECT_EQ(font.weight(), QFont::Medium);
    const auto draw = [](double fontSize) {
        return render(make(Kind::text, {10, 10}, {200, 40}, 3, fontSize, "MMMM WWWW"), 2, QSize(220, 60));
    };
    const QImage atFour = draw(2);
    EXPECT_TRUE(inkBounds(atFour).has_value());
    EXPECT_EQ(draw(1), atFour);
    EXPECT_NE(draw(4), atFour);
}

TEST(AnnotationText, EmptyTextDrawsNothing)
{
    EXPECT_FALSE(inkBounds(render(make(Kind::text, {20, 20}, {180, 100}, 3, 24), 2)).has_value());
}

TEST(AnnotationText, IsDrawnInItsColourInsideItsBoxFromTheTopLeft)
{
    // Wrapping between words, and inside a word wider than the box.
    for (const char* text :
         {"A longer sentence that has to wrap over several lines", "Unbreakablewordlong"}) {
        SCOPED_TRACE(text);
        Annotation a = make(Kind::text, {20, 20}, {110, 20}, 3, 12, text);
        a.p2.setY(20 + a.fittingHeight(2));
        const QImage image = render(a, 2, QSize(320, 700));
        const std::optional<QRect> bounds = inkBounds(image);
        ASSERT_TRUE(bounds);
        const QRect box = a.rect().toAlignedRect();
        EXPECT_TRUE(box.contains(*bounds));
        // The first glyph starts near the inset top-left, and drawn and measured lines break alike, so
        // the last measured line (28 pixels at this size) has ink in it.
        EXPECT_GE(bounds->left(), 21);
        EXPECT_LE(bounds->left(), 26);
        EXPECT_GE(bounds->top(), 21);
        EXPECT_LE(bounds->top(), 30);
        EXPECT_GE(bounds->bottom(), box.bottom() - 28);
        bool solid = false;
        for (int y = bounds->top(); y <= bounds->bottom(); ++y)
            for (int x = bounds->left(); x <= bounds->right(); ++x)
                if (qAlpha(image.pixel(x, y)) == 255) {
                    solid = true;
                    EXPECT_EQ(image.pixelColor(x, y).rgb(), ink.rgb());
                }
        EXPECT_TRUE(solid);
    }
}

double fittingHeight(double width, double fontSize, double scale, const QString& text)
{
    return make(Kind::text, {50, 50}, {50 + width, 90}, 3, fontSize, text).fittingHeight(scale);
}

TEST(AnnotationFittingHeight, EmptyTextIsOneLineOfOnePointFourTimesTheFont)
{
    EXPECT_DOUBLE_EQ(fittingHeight(200, 24, 2, QString()), 67.2);
    EXPECT_DOUBLE_EQ(fittingHeight(3, 10, 1, QString()), 14);
}

TEST(AnnotationFittingHeight, GrowsWithTheFont)
{
    EXPECT_GT(fittingHeight(600, 32, 2, "Hello"), 64);
    double previous = 0;
    for (double fontSize : {6.0, 12.0, 24.0}) {
        SCOPED_TRACE(fontSize);
        const double h = fittingHeight(400, fontSize, 2, "Hello world");
        EXPECT_GT(h, previous);
        previous = h;
    }
}

TEST(AnnotationFittingHeight, IsTheTextHeightRoundedUpPlusEight)
{
    // ceil(L) + 8 for one line of height L and ceil(2L) + 8 for two: twice the first less the second
    // is 8, or 9 when L has a fraction.
    for (const auto& [fontSize, scale] : {std::pair{12.0, 2.0}, std::pair{9.0, 1.0}}) {
        SCOPED_TRACE(fontSize);
        const double one = fittingHeight(600, fontSize, scale, "a");
        const double two = fittingHeight(600, fontSize, scale, "a\nb");
        EXPECT_EQ(one, std::floor(one));
        EXPECT_GE(2 * one - two, 8);
        EXPECT_LE(2 * one - two, 9);
    }
}

TEST(AnnotationFittingHeight, BoxNarrowerThanFourteenIsMeasuredAtTen)
{
    // Narrow glyphs fit several to a 10-pixel line but would not at a tinier width.
    const QString text = QStringLiteral("iiiiiiiiiiii iiiiii");
    const double atTen = fittingHeight(14, 8, 1, text);
    for (double width : {0.0, 13.5, -13.5}) {
        SCOPED_TRACE(width);
        EXPECT_EQ(fittingHeight(width, 8, 1, text), atTen);
    }
    EXPECT_GT(atTen, 2 * fittingHeight(600, 8, 1, text));
}

} // namespace
} // namespace corvane
