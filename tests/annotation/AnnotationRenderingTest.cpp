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

TEST(AnnotationDrawing, StrokesOutlinesArrowHeadsAndRoundCapsAtLeastOnePixelWide)
{
    const QImage images[] = {
        // 0 to 2: strokes 4 wide, 6 for the line, centred on the geometry.
        render(make(Kind::rectangle, {120, 80}, {20, 20}, 2), 2),
        render(make(Kind::ellipse, {20, 20}, {220, 120}, 2), 2), // centre (120, 70), radii 100 x 50
        render(make(Kind::line, {20, 50}, {120, 50}, 3), 2),
        // 3: stroke 6, length 200: the head is 24 long, its base at x = 196 and 20.4 wide; the shaft
        // (y 97..103) stops 20.4 before the tip.
        render(make(Kind::arrow, {20, 100}, {220, 100}, 3), 2, QSize(240, 200)),
        // 4: stroke 2, length 8: the head is cut to 8, its base (6.8 wide) on the tail at x = 40, and
        // only the shaft's round cap (radius 1) shows behind it.
        render(make(Kind::arrow, {40, 50}, {48, 50}, 1), 2, QSize(100, 100)),
        // 5: along y = 20.5 a 1-pixel stroke fills row 20 exactly and nothing else.
        render(make(Kind::line, {10, 20.5}, {90, 20.5}, 0.2), 2, QSize(100, 40)),
    };
    enum Coverage { solid, full, some, none };
    struct Case {
        int image, x, y;
        Coverage coverage;
    };
    const std::vector<Case> cases{
        {0, 18, 50, full},   {0, 17, 50, none},   {0, 22, 50, none},   {0, 121, 81, full},
        {0, 122, 82, none},  {0, 70, 50, none},   {0, 23, 23, none},   {1, 19, 70, full},
        {1, 16, 70, none},   {1, 24, 70, none},   {1, 120, 119, full}, {1, 120, 70, none},
        {1, 21, 21, none},   {2, 70, 47, full},   {2, 70, 46, none},   {2, 70, 53, none},
        {2, 18, 50, full},   {2, 16, 50, none},   {2, 123, 50, none},  {3, 197, 108, full},
        {3, 197, 91, full},  {3, 197, 111, none}, {3, 197, 88, none},  {3, 196, 109, full},
        {3, 196, 110, none}, {3, 194, 108, none}, {3, 190, 104, none}, {3, 217, 99, full},
        {3, 220, 100, none}, {3, 216, 102, none}, {3, 216, 97, none},  {3, 100, 97, full},
        {3, 100, 102, full}, {3, 100, 96, none},  {3, 100, 103, none}, {3, 18, 100, full},
        {3, 16, 100, none},  {4, 40, 47, full},   {4, 40, 52, full},   {4, 45, 49, full},
        {4, 39, 50, some},   {4, 39, 47, none},   {4, 38, 50, none},   {4, 48, 50, none},
        {4, 40, 45, none},   {5, 50, 20, solid},  {5, 50, 19, none},   {5, 50, 21, none},
    };
    // The thresholds leave room for antialiasing where an edge does not fall on a pixel boundary.
    for (const Case& c : cases) {
        const int alpha = qAlpha(images[c.image].pixel(c.x, c.y));
        const int low[] = {240, 200, 60, 0};
        EXPECT_TRUE(alpha >= low[c.coverage] && (c.coverage != none || alpha <= 25))
            << "image " << c.image << " pixel (" << c.x << ", " << c.y << ") alpha " << alpha;
    }
    EXPECT_EQ(images[3].pixelColor(197, 100).rgb(), ink.rgb());
    const std::optional<QRect> shortArrow = inkBounds(images[4]);
    EXPECT_TRUE(shortArrow && QRect(39, 46, 9, 8).contains(*shortArrow));
    // The zero-length arrow's direction is 0/0 in principle; whatever it draws stays near its point.
    const std::optional<QRect> zero = inkBounds(render(make(Kind::arrow, {50, 50}, {50, 50}, 3), 2));
    EXPECT_TRUE(!zero || QRect(42, 42, 16, 16).contains(*zero));
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
        EXPECT_TRUE(bounds->left() >= 21 && bounds->left() <= 26 && bounds->top() >= 21 &&
                    bounds->top() <= 30);
        EXPECT_GE(bounds->bottom(), box.bottom() - 28);
        int solid = 0;
        for (int y = bounds->top(); y <= bounds->bottom(); ++y)
            for (int x = bounds->left(); x <= bounds->right(); ++x)
                if (qAlpha(image.pixel(x, y)) == 255) {
                    ++solid;
                    EXPECT_EQ(image.pixelColor(x, y).rgb(), ink.rgb());
                }
        EXPECT_GT(solid, 0);
    }
}

double fittingHeight(double width, double fontSize, double scale, const QString& text)
{
    return make(Kind::text, {50, 50}, {50 + width, 90}, 3, fontSize, text).fittingHeight(scale);
}

TEST(AnnotationFittingHeight, TheTextHeightRoundedUpPlusEightMeasuredAtLeastTenWide)
{
    // ceil(L) + 8 for one line of height L and ceil(2L) + 8 for two: twice the first less the second
    // is 8, or 9 when L has a fraction.
    for (const auto& [fontSize, scale] : {std::pair{12.0, 2.0}, std::pair{9.0, 1.0}}) {
        const double one = fittingHeight(600, fontSize, scale, "a");
        const double two = fittingHeight(600, fontSize, scale, "a\nb");
        EXPECT_EQ(one, std::floor(one)) << fontSize;
        EXPECT_TRUE(2 * one - two >= 8 && 2 * one - two <= 9) << fontSize;
    }
    // Narrow glyphs fit several to a 10-pixel line but would not at a tinier width.
    const QString narrow = QStringLiteral("iiiiiiiiiiii iiiiii");
    const double atTen = fittingHeight(14, 8, 1, narrow);
    for (double width : {0.0, 13.5, -13.5})
        EXPECT_EQ(fittingHeight(width, 8, 1, narrow), atTen) << width;
    EXPECT_GT(atTen, 2 * fittingHeight(600, 8, 1, narrow));
}

// The pixelated look, blocks of fresh colours, is e2e.editor.redact-pixelate's, with RedactionBlocks.
TEST(RedactionDrawing, SolidIsTheOpaqueColourOverEveryPixelItTouches)
{
    QImage original(120, 80, QImage::Format_RGB32);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x)
            original.setPixel(x, y, qRgb(x * 2, y * 3, 90));
    Annotation box = make(Kind::redaction, {10.5, 20.2}, {50, 60}, 3);
    box.color = QColor(0, 122, 255, 100);
    box.redactionStyle = Annotation::RedactionStyle::solid;
    QImage solid = original.copy();
    QPainter painter(&solid);
    box.drawRedaction(painter, original);
    painter.end();
    // Partly covered pixels are hidden too: x 10 ... 49, y 20 ... 59.
    const struct {
        int x, y;
        QRgb colour;
    } pixels[] = {{10, 20, qRgb(0, 122, 255)},
                  {49, 59, qRgb(0, 122, 255)},
                  {9, 30, original.pixel(9, 30)},
                  {50, 30, original.pixel(50, 30)},
                  {30, 60, original.pixel(30, 60)}};
    for (const auto& p : pixels)
        EXPECT_EQ(solid.pixel(p.x, p.y), p.colour) << p.x << ", " << p.y;
}

} // namespace
} // namespace corvane
