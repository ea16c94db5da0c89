// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Annotation.h"
#include "annotation/Redaction.h"

#include <array>
#include <gtest/gtest.h>
#include <vector>

namespace corvane {
namespace {

using Kind = Annotation::Kind;

Annotation make(Kind kind, QPointF p1, QPointF p2, double lineWidth, std::vector<QPointF> points = {})
{
    Annotation a(kind, p1, p2, QColor(255, 0, 0), lineWidth, 24, QString());
    a.points = std::move(points);
    return a;
}

// QRectF's operator== is fuzzy and gtest cannot print it; arrays compare exactly and print.
std::array<double, 4> xywh(const QRectF& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

TEST(AnnotationHitTest, EachKindIsSensitiveWhereItIsDrawn)
{
    // Shapes 0 to 7 at scale 2, where the tolerance is max(2 x lineWidth, 10); lines are checked as
    // arrows too. Shapes 8 to 14 at scale 1. Every kind shares that tolerance: its growth with the width
    // is shown on a rectangle, its floor of 10 on shape 0, a segment's distance on shape 4.
    const std::vector<QPointF> corner{{100, 100}, {200, 100}, {200, 200}};
    const std::vector<Annotation> shapes{
        make(Kind::rectangle, {60, 60}, {400, 260}, 3),   // 0: the left band runs over 50 <= x < 70
        make(Kind::rectangle, {60, 60}, {400, 260}, 10),  // 1: tolerance 20
        make(Kind::rectangle, {100, 100}, {120, 200}, 3), // 2: no insensitive middle up to 2 x tolerance
        make(Kind::rectangle, {100, 100}, {121, 200}, 3), // 3: a 1-pixel insensitive strip
        make(Kind::line, {60, 320}, {400, 470}, 8),       // 4: tolerance 16
        make(Kind::ellipse, {100, 100}, {500, 400}, 3),   // 5: band between radii 210 x 160 and 190 x 140
        make(Kind::ellipse, {100, 100}, {115, 115}, 3),   // 6
        make(Kind::text, {300, 200}, {100, 100}, 20),     // 7: the box grown by 4, whatever the line width
        make(Kind::highlighter, {100, 100}, {200, 200}, 3, corner), // 8: 15 broad, tolerance 10
        make(Kind::highlighter, {100, 100}, {200, 200}, 6, corner), // 9: 30 broad, tolerance 15
        make(Kind::pen, {100, 100}, {200, 200}, 12, corner),        // 10: tolerance 12
        make(Kind::pen, {0, 0}, {100, 0}, 3),                       // 11: no points: p1 to p2
        make(Kind::step, {100, 100}, {134, 134}, 3),                // 12: circle of radius 17 grown by 4
        make(Kind::redaction, {100, 100}, {200, 150}, 3),           // 13: the box grown by 4, inside too
        make(Kind::line, {50, 50}, {50, 50.009}, 3),                // 14: ends less than 0.01 apart: p1
    };
    struct Case {
        int shape;
        double x, y;
        bool hit;
    };
    const std::vector<Case> cases{
        {0, 50, 160, true},        {0, 49.9, 160, false},     {0, 69.9, 160, true},      {0, 70, 160, false},
        {0, 409.9, 269.9, true},   {0, 410, 160, false},      {0, 230, 270, false},      {1, 40, 160, true},
        {1, 39.9, 160, false},     {1, 79.9, 160, true},      {2, 110, 150, true},       {3, 110.5, 150, false},
        {4, 44, 320, true},        {4, 43.5, 320, false},     {4, 400, 486, true},       {4, 400, 486.5, false},
        {5, 300, 250, false},      {5, 100, 100, false},      {5, 441.42, 143.93, true}, {5, 100, 250, true},
        {5, 300, 91, true},        {5, 300, 89, false},       {5, 300, 109, true},       {5, 300, 111, false},
        {6, 107.5, 107.5, true},   {7, 200, 150, true},       {7, 96, 96, true},         {7, 95.9, 150, false},
        {7, 200, 95.9, false},     {7, 303.9, 203.9, true},   {7, 304, 150, false},      {7, 200, 204, false},
        {8, 150, 109, true},       {8, 150, 111, false},      {8, 209, 150, true},       {8, 211, 150, false},
        {8, 150, 150, false},      {9, 150, 114, true},       {9, 150, 116, false},      {10, 150, 111.9, true},
        {10, 150, 112.1, false},   {11, 50, 9, true},         {11, 50, 11, false},       {12, 117, 96.5, true},
        {12, 117, 95.5, false},    {12, 100, 100, false},     {13, 96, 125, true},       {13, 95.9, 125, false},
        {13, 203.9, 153.9, true},  {14, 50, 40, true},        {14, 50, 60.005, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "shape " << c.shape << " at (" << c.x << ", " << c.y << ")");
        Annotation a = shapes[c.shape];
        const double scale = c.shape <= 7 ? 2 : 1;
        EXPECT_EQ(a.hitTest({c.x, c.y}, scale), c.hit);
        if (a.kind == Kind::line) {
            a.kind = Kind::arrow;
            EXPECT_EQ(a.hitTest({c.x, c.y}, scale), c.hit);
        }
    }
}

TEST(AnnotationResize, EveryHandleMovesItsOwnEdgesAndTurnsOverPastTheOpposite)
{
    struct Case {
        int handle;
        QPointF to;
        std::array<double, 4> result;
    };
    const std::vector<Case> cases{
        {0, {210, 160}, {110, 110, 100, 50}}, {1, {210, 160}, {10, 110, 100, 50}},
        {2, {210, 160}, {10, 110, 200, 50}},  {3, {210, 160}, {10, 10, 200, 100}},
        {4, {210, 160}, {10, 10, 200, 150}},  {5, {210, 160}, {10, 10, 100, 150}},
        {6, {210, 160}, {110, 10, 100, 150}}, {7, {210, 160}, {110, 10, 100, 100}},
        {2, {50, 30}, {10, 30, 40, 80}},      {6, {50, 30}, {50, 10, 60, 20}},
        {1, {999, 30}, {10, 30, 100, 80}},    {8, {210, 160}, {10, 10, 100, 100}},
        {-1, {210, 160}, {10, 10, 100, 100}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(xywh(Annotation::resized(QRectF(10, 10, 100, 100), c.handle, c.to)), c.result)
            << "handle " << c.handle << " to (" << c.to.x() << ", " << c.to.y() << ")";
    const std::array<double, 4> fromTurnedOver{0, 10, 110, 100};
    EXPECT_EQ(xywh(Annotation::resized(QRectF(110, 110, -100, -100), 7, {0, 0})), fromTurnedOver);
}

TEST(AnnotationBounds, GrowsByTheScaledLineWidthButAtLeastEight)
{
    const std::pair<double, std::array<double, 4>> cases[] = {
        {3, {52, 52, 356, 216}}, {4.5, {51, 51, 358, 218}}, {10, {40, 40, 380, 240}}};
    for (const auto& [lineWidth, bounds] : cases)
        EXPECT_EQ(xywh(make(Kind::arrow, {400, 260}, {60, 60}, lineWidth).bounds(2)), bounds) << lineWidth;
}

// Blocks without slivers (none under 12 pixels along a row or a column) are e2e.editor.redact-pixelate's.
TEST(RedactionBlocks, AtLeastTwelvePixelsASixthOfTheShorterSideAndNoiseThatNeverSaturates)
{
    const std::pair<QSize, int> sizes[] = {
        {{100, 40}, 12}, {{600, 300}, 50}, {{72, 200}, 12}, {{73, 200}, 13}, {{5, 5}, 12}};
    for (const auto& [region, block] : sizes)
        EXPECT_EQ(Redaction::blockSize(region), block) << region.width() << "x" << region.height();

    const std::array<int, 3> channels[] = {{250, 20, 230}, {10, -20, 30},  {128, 16, 144},
                                           {0, -16, 16},   {255, 48, 207}, {100, -48, 52}};
    for (const auto& [mean, offset, result] : channels)
        EXPECT_EQ(Redaction::noisy(mean, offset), result) << mean << " " << offset;
}

} // namespace
} // namespace corvane
