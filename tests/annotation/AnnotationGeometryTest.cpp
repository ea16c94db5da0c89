// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Annotation.h"
#include "annotation/ToolKind.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <vector>

namespace corvane {
namespace {

using Kind = Annotation::Kind;

Annotation make(Kind kind, QPointF p1, QPointF p2, double lineWidth)
{
    return Annotation(kind, p1, p2, QColor(255, 0, 0), lineWidth, 24, QString());
}

// QRectF's operator== is fuzzy and gtest cannot print it; plain arrays compare exactly and print.
std::array<double, 4> xywh(const QRectF& r) { return {r.x(), r.y(), r.width(), r.height()}; }

std::vector<std::array<double, 2>> xy(const std::vector<QPointF>& points)
{
    std::vector<std::array<double, 2>> out;
    for (const QPointF& p : points)
        out.push_back({p.x(), p.y()});
    return out;
}

struct HitCase {
    double x;
    double y;
    bool hit;
};

std::ostream& operator<<(std::ostream& out, const HitCase& c)
{
    return out << "(" << c.x << ", " << c.y << ") expecting " << (c.hit ? "hit" : "miss");
}

void expectHits(const Annotation& a, double scale, const std::vector<HitCase>& cases)
{
    for (const HitCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c));
        EXPECT_EQ(a.hitTest(QPointF(c.x, c.y), scale), c.hit);
    }
}

TEST(AnnotationHitTest, RectangleIsSensitiveOnlyAlongItsOutline)
{
    // Tolerance max(2 x 3, 10) = 10: the band runs from 50 to 70 on the left, 390 to 410 on the right.
    const Annotation a = make(Kind::rectangle, {60, 60}, {400, 260}, 3);
    expectHits(a, 2,
               {
                   {60, 160, true},    {230, 160, false},  {400, 160, true},   {230, 60, true},
                   {230, 260, true},   {50, 160, true},    {49.9, 160, false}, {409.9, 160, true},
                   {410, 160, false},  {230, 50, true},    {230, 49.9, false}, {230, 269.9, true},
                   {230, 270, false},  {50, 50, true},     {410, 270, false},  {409.9, 269.9, true},
                   {69.9, 160, true},  {70, 160, false},   {389.9, 160, false}, {390, 160, true},
                   {230, 69.9, true},  {230, 70, false},   {230, 249.9, false}, {230, 250, true},
                   {0, 0, false},      {500, 500, false},
               });
}

TEST(AnnotationHitTest, ThickRectangleWidensTheBand)
{
    // lineWidth 10 at scale 2 makes the tolerance 20.
    const Annotation a = make(Kind::rectangle, {60, 60}, {400, 260}, 10);
    expectHits(a, 2,
               {
                   {45, 160, true},
                   {40, 160, true},
                   {39.9, 160, false},
                   {78, 160, true},
                   {80, 160, false},
                   {419.9, 160, true},
                   {420, 160, false},
               });
    // The same points against the default tolerance of 10.
    const Annotation thin = make(Kind::rectangle, {60, 60}, {400, 260}, 3);
    expectHits(thin, 2, {{45, 160, false}, {78, 160, false}});
}

TEST(AnnotationHitTest, NarrowRectangleIsSensitiveOverItsWholeGrownArea)
{
    struct Case {
        QPointF p1;
        QPointF p2;
        HitCase point;
    };
    // Tolerance 10 throughout, so anything no more than 20 wide or high has no insensitive interior.
    const std::vector<Case> cases{
        {{100, 100}, {118, 200}, {109, 150, true}},
        {{100, 100}, {120, 200}, {110, 150, true}},
        {{100, 100}, {300, 120}, {200, 110, true}},
        {{100, 100}, {100, 200}, {100, 150, true}},
        {{100, 100}, {120, 200}, {90, 90, true}},
        {{100, 100}, {120, 200}, {130, 150, false}},
        {{100, 100}, {120, 200}, {110, 210, false}},
        // One pixel wider than 2t leaves a one-pixel strip in the middle that does not hit.
        {{100, 100}, {121, 200}, {110.5, 150, false}},
        {{100, 100}, {121, 200}, {109.9, 150, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.point));
        const Annotation a = make(Kind::rectangle, c.p1, c.p2, 3);
        EXPECT_EQ(a.hitTest(QPointF(c.point.x, c.point.y), 2), c.point.hit);
    }
}

class SegmentHitTest : public ::testing::TestWithParam<Kind> {};

TEST_P(SegmentHitTest, LineWidthEightAtScaleTwoHasToleranceSixteen)
{
    const Annotation a = make(GetParam(), {60, 320}, {400, 470}, 8);
    expectHits(a, 2,
               {
                   {230, 395, true},
                   {230, 300, false},
                   {60, 320, true},
                   {400, 470, true},
                   // Beyond the ends the distance is to the nearer end point.
                   {44, 320, true},
                   {43.5, 320, false},
                   {400, 486, true},
                   {400, 486.5, false},
                   {416, 470, true},
                   {416.5, 470, false},
               });
}

TEST_P(SegmentHitTest, ThickStrokeWidensTheTolerance)
{
    // (266, 288) is exactly 20 from the middle of this 3-4-5 segment, along its normal.
    const Annotation thick = make(GetParam(), {100, 100}, {400, 500}, 10);
    expectHits(thick, 2, {{266, 288, true}, {234, 312, true}, {266.8, 287.4, false}});
    const Annotation thin = make(GetParam(), {100, 100}, {400, 500}, 3);
    expectHits(thin, 2, {{266, 288, false}, {258, 294, true}, {234, 312, false}});
}

TEST_P(SegmentHitTest, ToleranceNeverFallsBelowTen)
{
    const Annotation a = make(GetParam(), {100, 100}, {300, 100}, 1);
    expectHits(a, 1, {{200, 110, true}, {200, 110.5, false}, {200, 90, true}, {90, 100, true}});
}

INSTANTIATE_TEST_SUITE_P(LineAndArrow, SegmentHitTest, ::testing::Values(Kind::line, Kind::arrow));

TEST(AnnotationHitTest, EllipseIsSensitiveOnlyNearItsCurve)
{
    // Centre (300, 250), radii 200 x 150; with tolerance 10 the band lies between the ellipses of
    // radii 210 x 160 and 190 x 140.
    const Annotation a = make(Kind::ellipse, {100, 100}, {500, 400}, 3);
    expectHits(a, 2,
               {
                   {300, 250, false},
                   {100, 100, false},
                   {500, 400, false},
                   {100, 250, true},
                   {500, 250, true},
                   {300, 100, true},
                   {300, 400, true},
                   {441.42, 143.93, true},
                   {300, 91, true},
                   {300, 89, false},
                   {300, 111, false},
                   {300, 109, true},
                   {300, 130, false},
                   {120, 250, false},
               });
}

TEST(AnnotationHitTest, SmallEllipseHasNoInsensitiveInterior)
{
    const Annotation small = make(Kind::ellipse, {100, 100}, {115, 115}, 3);
    expectHits(small, 2, {{107.5, 107.5, true}, {90, 90, false}, {107.5, 91, true}});
    const Annotation flat = make(Kind::ellipse, {100, 100}, {100, 200}, 3);
    expectHits(flat, 2, {{100, 150, true}, {95, 150, true}, {111, 150, false}});
}

TEST(AnnotationHitTest, TextHitsInsideItsBoxAndFourPixelsAroundWhateverTheLineWidth)
{
    const std::vector<HitCase> cases{
        {200, 150, true},   {100, 100, true},    {96, 150, true},     {95.9, 150, false},
        {200, 96, true},    {200, 95.9, false},  {96, 96, true},      {303.9, 150, true},
        {304, 150, false},  {200, 203.9, true},  {200, 204, false},   {303.9, 203.9, true},
        {304, 204, false},  {90, 150, false},    {200, 210, false},
    };
    for (double lineWidth : {0.0, 3.0, 20.0}) {
        SCOPED_TRACE(lineWidth);
        Annotation a = make(Kind::text, {300, 200}, {100, 100}, lineWidth);
        a.text = QStringLiteral("note");
        expectHits(a, 2, cases);
    }
}

TEST(AnnotationHitTest, HalfOpenContainsExcludesRightAndBottomEdges)
{
    struct Case {
        QRectF rect;
        QPointF point;
        bool inside;
    };
    const std::vector<Case> cases{
        {QRectF(0, 0, 10, 10), {0, 0}, true},         {QRectF(0, 0, 10, 10), {9.99, 9.99}, true},
        {QRectF(0, 0, 10, 10), {10, 5}, false},       {QRectF(0, 0, 10, 10), {5, 10}, false},
        {QRectF(0, 0, 10, 10), {-0.01, 5}, false},    {QRectF(10, 10, -10, -10), {0, 0}, true},
        {QRectF(10, 10, -10, -10), {10, 10}, false},  {QRectF(5, 5, 0, 0), {5, 5}, false},
        {QRectF(5, 5, 0, 10), {5, 6}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.point.x() << ", " << c.point.y());
        EXPECT_EQ(halfOpenContains(c.rect, c.point), c.inside);
    }
}

TEST(AnnotationDistance, MeasuresToTheNearestPointOfTheSegment)
{
    struct Case {
        QPointF p1;
        QPointF p2;
        QPointF q;
        double distance;
    };
    const std::vector<Case> cases{
        // Coinciding or almost coinciding ends measure to p1, not p2.
        {{50, 50}, {50, 50}, {53, 54}, 5},
        {{50, 50}, {50.005, 50}, {53, 54}, 5},
        {{50, 50}, {50, 50.009}, {50, 60}, 10},
        {{50, 50}, {50.006, 50.006}, {44, 42}, 10},
        // Beyond either end: the nearer end.
        {{100, 100}, {200, 100}, {70, 140}, 50},
        {{100, 100}, {200, 100}, {230, 60}, 50},
        {{200, 100}, {100, 100}, {70, 140}, 50},
        {{0, 0}, {300, 400}, {-30, -40}, 50},
        {{0, 0}, {300, 400}, {300, 450}, 50},
        // In the middle: perpendicular.
        {{100, 100}, {200, 100}, {150, 130}, 30},
        {{100, 100}, {200, 100}, {100, 100}, 0},
        {{100, 100}, {200, 100}, {200, 70}, 30},
        {{0, 0}, {300, 400}, {190, 170}, 50},
        {{300, 400}, {0, 0}, {110, 230}, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "q = (" << c.q.x() << ", " << c.q.y() << ")");
        const Annotation a = make(Kind::line, c.p1, c.p2, 3);
        EXPECT_NEAR(a.distanceToSegment(c.q), c.distance, 1e-9);
    }
}

TEST(AnnotationDistance, EndsTwoHundredthsApartAreAlreadyASegment)
{
    // Measured to p1 this would be 5; the nearer point of the segment is p2.
    const Annotation a = make(Kind::line, {50, 50}, {50.02, 50}, 3);
    EXPECT_NEAR(a.distanceToSegment({53, 54}), 4.98803, 1e-5);
}

TEST(AnnotationHandles, RectLikeHandlesRunClockwiseFromTheTopLeft)
{
    const std::vector<std::array<double, 2>> expected{{10, 10},  {60, 10},  {110, 10}, {110, 50},
                                                      {110, 90}, {60, 90},  {10, 90},  {10, 50}};
    for (Kind kind : {Kind::rectangle, Kind::ellipse, Kind::text}) {
        SCOPED_TRACE(Annotation::rawValue(kind));
        // Given bottom-right first, as a drag up and to the left leaves them.
        const Annotation a = make(kind, {110, 90}, {10, 10}, 3);
        EXPECT_EQ(xy(a.handlePoints()), expected);
    }
}

TEST(AnnotationHandles, LinesAndArrowsHaveTheirTwoEndsInTheirOwnOrder)
{
    for (Kind kind : {Kind::line, Kind::arrow}) {
        SCOPED_TRACE(Annotation::rawValue(kind));
        const Annotation a = make(kind, {110, 90}, {10, 10}, 3);
        const std::vector<std::array<double, 2>> expected{{110, 90}, {10, 10}};
        EXPECT_EQ(xy(a.handlePoints()), expected);
    }
}

TEST(AnnotationResize, EveryHandleMovesItsOwnEdges)
{
    struct Case {
        int handle;
        QPointF to;
        std::array<double, 4> result;
    };
    const std::vector<Case> cases{
        {0, {50, 30}, {50, 30, 60, 80}},
        {1, {50, 30}, {10, 30, 100, 80}},
        {2, {50, 30}, {10, 30, 40, 80}},
        {3, {50, 30}, {10, 10, 40, 100}},
        {4, {50, 30}, {10, 10, 40, 20}},
        {5, {50, 30}, {10, 10, 100, 20}},
        {6, {50, 30}, {50, 10, 60, 20}},
        {7, {50, 30}, {50, 10, 60, 100}},
        // Past the opposite edges: the rectangle turns over instead of getting a negative size.
        {0, {210, 160}, {110, 110, 100, 50}},
        {1, {210, 160}, {10, 110, 100, 50}},
        {2, {210, 160}, {10, 110, 200, 50}},
        {3, {210, 160}, {10, 10, 200, 100}},
        {4, {210, 160}, {10, 10, 200, 150}},
        {5, {210, 160}, {10, 10, 100, 150}},
        {6, {210, 160}, {110, 10, 100, 150}},
        {7, {210, 160}, {110, 10, 100, 100}},
        {4, {-40, -90}, {-40, -90, 50, 100}},
        // Only the controlled coordinate counts.
        {1, {999, 30}, {10, 30, 100, 80}},
        {1, {-500, 30}, {10, 30, 100, 80}},
        {5, {-500, 80}, {10, 10, 100, 70}},
        {3, {80, -999}, {10, 10, 70, 100}},
        {7, {80, 999}, {80, 10, 30, 100}},
        // No minimum size.
        {3, {10, 50}, {10, 10, 0, 100}},
        {4, {10, 10}, {10, 10, 0, 0}},
        {1, {70, 110}, {10, 110, 100, 0}},
        // Unknown handles change nothing.
        {8, {210, 160}, {10, 10, 100, 100}},
        {-1, {210, 160}, {10, 10, 100, 100}},
        {100, {0, 0}, {10, 10, 100, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "handle " << c.handle << " to (" << c.to.x() << ", "
                                          << c.to.y() << ")");
        EXPECT_EQ(xywh(Annotation::resized(QRectF(10, 10, 100, 100), c.handle, c.to)), c.result);
    }
}

TEST(AnnotationResize, TurnedOverInputIsNormalisedFirst)
{
    struct Case {
        int handle;
        QPointF to;
        std::array<double, 4> result;
    };
    const std::vector<Case> cases{
        {8, {210, 160}, {10, 10, 100, 100}},
        {-1, {0, 0}, {10, 10, 100, 100}},
        {4, {210, 160}, {10, 10, 200, 150}},
        {0, {210, 160}, {110, 110, 100, 50}},
        {7, {0, 0}, {0, 10, 110, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handle);
        EXPECT_EQ(xywh(Annotation::resized(QRectF(110, 110, -100, -100), c.handle, c.to)), c.result);
    }
}

TEST(AnnotationBounds, GrowsByTheScaledLineWidthButAtLeastEight)
{
    struct Case {
        double lineWidth;
        double scale;
        std::array<double, 4> bounds;
    };
    const std::vector<Case> cases{
        {3, 2, {52, 52, 356, 216}},   {4, 2, {52, 52, 356, 216}},  {0, 2, {52, 52, 356, 216}},
        {5, 1, {52, 52, 356, 216}},   {10, 2, {40, 40, 380, 240}}, {5, 3, {45, 45, 370, 230}},
        {4.5, 2, {51, 51, 358, 218}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "lineWidth " << c.lineWidth << " scale " << c.scale);
        EXPECT_EQ(xywh(make(Kind::rectangle, {60, 60}, {400, 260}, c.lineWidth).bounds(c.scale)),
                  c.bounds);
        EXPECT_EQ(xywh(make(Kind::arrow, {400, 260}, {60, 60}, c.lineWidth).bounds(c.scale)), c.bounds);
    }
}

TEST(AnnotationModel, RectIsNormalisedWhateverTheOrderOfThePoints)
{
    const std::array<double, 4> expected{10, 20, 100, 50};
    EXPECT_EQ(xywh(make(Kind::rectangle, {10, 20}, {110, 70}, 3).rect()), expected);
    EXPECT_EQ(xywh(make(Kind::rectangle, {110, 70}, {10, 20}, 3).rect()), expected);
    EXPECT_EQ(xywh(make(Kind::line, {10, 70}, {110, 20}, 3).rect()), expected);
    EXPECT_EQ(xywh(make(Kind::text, {110, 20}, {10, 70}, 3).rect()), expected);
}

TEST(AnnotationModel, OnlyRectangleEllipseAndTextAreRectLike)
{
    const std::vector<std::pair<Kind, bool>> cases{
        {Kind::rectangle, true}, {Kind::ellipse, true}, {Kind::line, false},
        {Kind::arrow, false},    {Kind::text, true},
    };
    for (const auto& [kind, rectLike] : cases) {
        SCOPED_TRACE(Annotation::rawValue(kind));
        EXPECT_EQ(make(kind, {0, 0}, {10, 10}, 3).isRectLike(), rectLike);
    }
}

TEST(AnnotationModel, CopyIsADetachedTwin)
{
    const auto original = std::make_shared<Annotation>(Kind::text, QPointF(1, 2), QPointF(30, 40),
                                                       QColor(0, 122, 255, 200), 3, 24,
                                                       QStringLiteral("hello"));
    const AnnotationPtr twin = original->copy();
    ASSERT_NE(twin, nullptr);
    EXPECT_NE(twin.get(), original.get());
    EXPECT_EQ(twin->kind, Kind::text);
    EXPECT_EQ(twin->p1, QPointF(1, 2));
    EXPECT_EQ(twin->p2, QPointF(30, 40));
    EXPECT_EQ(twin->color, QColor(0, 122, 255, 200));
    EXPECT_EQ(twin->lineWidth, 3);
    EXPECT_EQ(twin->fontSize, 24);
    EXPECT_EQ(twin->text, QStringLiteral("hello"));

    twin->kind = Kind::rectangle;
    twin->p1 = QPointF(5, 5);
    twin->p2 = QPointF(6, 6);
    twin->color = QColor(255, 0, 0);
    twin->lineWidth = 9;
    twin->fontSize = 12;
    twin->text = QStringLiteral("changed");
    EXPECT_EQ(original->kind, Kind::text);
    EXPECT_EQ(original->p1, QPointF(1, 2));
    EXPECT_EQ(original->p2, QPointF(30, 40));
    EXPECT_EQ(original->color, QColor(0, 122, 255, 200));
    EXPECT_EQ(original->lineWidth, 3);
    EXPECT_EQ(original->fontSize, 24);
    EXPECT_EQ(original->text, QStringLiteral("hello"));
}

TEST(RawValues, KindFromRawValue)
{
    const std::vector<std::pair<int, std::optional<Kind>>> cases{
        {0, Kind::rectangle}, {1, Kind::ellipse}, {2, Kind::line},   {3, Kind::arrow},
        {4, Kind::text},      {5, std::nullopt},  {-1, std::nullopt}, {100, std::nullopt},
    };
    for (const auto& [raw, kind] : cases) {
        SCOPED_TRACE(raw);
        EXPECT_EQ(Annotation::kindFromRawValue(raw), kind);
        if (kind) {
            EXPECT_EQ(Annotation::rawValue(*kind), raw);
        }
    }
}

TEST(RawValues, ToolKindFromRawValue)
{
    const std::vector<std::pair<int, std::optional<ToolKind>>> cases{
        {0, ToolKind::select}, {1, ToolKind::rectangle}, {2, ToolKind::ellipse}, {3, ToolKind::line},
        {4, ToolKind::arrow},  {5, ToolKind::text},      {6, std::nullopt},      {-1, std::nullopt},
        {99, std::nullopt},
    };
    for (const auto& [raw, tool] : cases) {
        SCOPED_TRACE(raw);
        EXPECT_EQ(ToolKinds::fromRawValue(raw), tool);
        if (tool) {
            EXPECT_EQ(ToolKinds::rawValue(*tool), raw);
        }
    }
}

TEST(RawValues, ToolKindsAreListedInChooserOrder)
{
    const std::array<ToolKind, 6> expected{ToolKind::select, ToolKind::rectangle, ToolKind::ellipse,
                                           ToolKind::line,   ToolKind::arrow,     ToolKind::text};
    EXPECT_EQ(ToolKinds::allCases, expected);
    for (std::size_t i = 0; i < ToolKinds::allCases.size(); ++i)
        EXPECT_EQ(ToolKinds::rawValue(ToolKinds::allCases[i]), static_cast<int>(i));
}

} // namespace
} // namespace corvane
