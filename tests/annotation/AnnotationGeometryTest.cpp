// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Annotation.h"
#include "annotation/ToolKind.h"

#include <array>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace corvane {
namespace {

using Kind = Annotation::Kind;

Annotation make(Kind kind, QPointF p1, QPointF p2, double lineWidth)
{
    return Annotation(kind, p1, p2, QColor(255, 0, 0), lineWidth, 24, QString());
}

// QRectF's operator== is fuzzy and gtest cannot print it; arrays compare exactly and print.
std::array<double, 4> xywh(const QRectF& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

TEST(AnnotationHitTest, EachKindIsSensitiveWhereItIsDrawn)
{
    // At scale 2 the tolerance is max(2 x lineWidth, 10). Lines are checked as arrows too.
    const std::vector<Annotation> shapes{
        make(Kind::rectangle, {60, 60}, {400, 260}, 3),   // 0: the left band runs over 50 <= x < 70
        make(Kind::rectangle, {60, 60}, {400, 260}, 10),  // 1: tolerance 20
        make(Kind::rectangle, {100, 100}, {120, 200}, 3), // 2: no insensitive middle up to 2 x tolerance
        make(Kind::rectangle, {100, 100}, {121, 200}, 3), // 3: a 1-pixel insensitive strip
        make(Kind::line, {60, 320}, {400, 470}, 8),       // 4: tolerance 16
        make(Kind::line, {100, 100}, {400, 500}, 10),     // 5: (266, 288) is 20 off it along its normal
        make(Kind::line, {100, 100}, {400, 500}, 3),      // 6
        make(Kind::line, {100, 100}, {300, 100}, 0.5),    // 7: tolerance never below 10
        make(Kind::ellipse, {100, 100}, {500, 400}, 3),   // 8: band between radii 210 x 160 and 190 x 140
        make(Kind::ellipse, {100, 100}, {115, 115}, 3),   // 9
        make(Kind::text, {300, 200}, {100, 100}, 20),     // 10: the box grown by 4, whatever the line width
    };
    struct Case {
        int shape;
        double x, y;
        bool hit;
    };
    const std::vector<Case> cases{
        {0, 60, 160, true},     {0, 230, 160, false},     {0, 50, 160, true},       {0, 49.9, 160, false},
        {0, 69.9, 160, true},   {0, 70, 160, false},      {0, 409.9, 269.9, true},  {0, 410, 160, false},
        {0, 230, 270, false},   {1, 40, 160, true},       {1, 39.9, 160, false},    {1, 79.9, 160, true},
        {2, 110, 150, true},    {3, 110.5, 150, false},   {4, 230, 395, true},      {4, 230, 300, false},
        {4, 44, 320, true},     {4, 43.5, 320, false},    {4, 400, 486, true},      {4, 400, 486.5, false},
        {5, 266, 288, true},    {5, 266.8, 287.4, false}, {6, 266, 288, false},     {7, 200, 110, true},
        {7, 200, 110.5, false}, {8, 300, 250, false},     {8, 100, 100, false},     {8, 441.42, 143.93, true},
        {8, 100, 250, true},    {8, 300, 91, true},       {8, 300, 89, false},      {8, 300, 109, true},
        {8, 300, 111, false},   {9, 107.5, 107.5, true},  {10, 200, 150, true},     {10, 96, 96, true},
        {10, 95.9, 150, false}, {10, 200, 95.9, false},   {10, 303.9, 203.9, true}, {10, 304, 150, false},
        {10, 200, 204, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "shape " << c.shape << " at (" << c.x << ", " << c.y << ")");
        Annotation a = shapes[c.shape];
        EXPECT_EQ(a.hitTest({c.x, c.y}, 2), c.hit);
        if (a.kind == Kind::line) {
            a.kind = Kind::arrow;
            EXPECT_EQ(a.hitTest({c.x, c.y}, 2), c.hit);
        }
    }
}

TEST(AnnotationHitTest, HalfOpenContainsExcludesRightAndBottomEdges)
{
    struct Case {
        double x, y;
        bool inside;
    };
    for (const Case& c : {Case{0, 0, true}, Case{9.99, 9.99, true}, Case{10, 5, false}, Case{5, 10, false},
                          Case{-0.01, 5, false}}) {
        SCOPED_TRACE(::testing::Message() << c.x << ", " << c.y);
        EXPECT_EQ(halfOpenContains(QRectF(0, 0, 10, 10), {c.x, c.y}), c.inside);
    }
    EXPECT_TRUE(halfOpenContains(QRectF(10, 10, -10, -10), {0, 0}));
    EXPECT_FALSE(halfOpenContains(QRectF(5, 5, 0, 0), {5, 5}));
}

TEST(AnnotationDistance, MeasuresToTheNearestPointOfTheSegment)
{
    struct Case {
        QPointF p1, p2, q;
        double distance;
    };
    const std::vector<Case> cases{
        // Ends less than 0.01 apart measure to p1; measured to p2 these would differ.
        {{50, 50}, {50, 50}, {53, 54}, 5},
        {{50, 50}, {50, 50.009}, {50, 60}, 10},
        {{50, 50}, {50.006, 50.006}, {44, 42}, 10},
        {{50, 50}, {50.02, 50}, {53, 54}, 4.98803},
        // Beyond either end, the nearer end.
        {{100, 100}, {200, 100}, {70, 140}, 50},
        {{100, 100}, {200, 100}, {230, 60}, 50},
        {{0, 0}, {300, 400}, {300, 450}, 50},
        {{100, 100}, {200, 100}, {150, 130}, 30},
        {{300, 400}, {0, 0}, {110, 230}, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "q = (" << c.q.x() << ", " << c.q.y() << ")");
        EXPECT_NEAR(make(Kind::line, c.p1, c.p2, 3).distanceToSegment(c.q), c.distance, 1e-5);
    }
}

TEST(AnnotationHandles, RectLikeKindsHaveEightClockwiseAndSegmentsTheirEnds)
{
    const auto xy = [](const std::vector<QPointF>& points) {
        std::vector<std::array<double, 2>> out;
        for (const QPointF& p : points)
            out.push_back({p.x(), p.y()});
        return out;
    };
    const std::vector<std::array<double, 2>> eight{{10, 10},  {60, 10}, {110, 10}, {110, 50},
                                                   {110, 90}, {60, 90}, {10, 90},  {10, 50}};
    const std::vector<std::array<double, 2>> ends{{110, 90}, {10, 10}};
    for (Kind kind : Annotation::allKinds) {
        SCOPED_TRACE(Annotation::rawValue(kind));
        // Bottom-right first, as a drag up and to the left leaves them. A step's size follows its font.
        const bool segment = kind == Kind::line || kind == Kind::arrow;
        const std::vector<std::array<double, 2>> none;
        EXPECT_EQ(xy(make(kind, {110, 90}, {10, 10}, 3).handlePoints()),
                  kind == Kind::step ? none : (segment ? ends : eight));
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
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "handle " << c.handle << " to (" << c.to.x() << ", " << c.to.y() << ")");
        EXPECT_EQ(xywh(Annotation::resized(QRectF(10, 10, 100, 100), c.handle, c.to)), c.result);
    }
    const std::array<double, 4> fromTurnedOver{0, 10, 110, 100};
    EXPECT_EQ(xywh(Annotation::resized(QRectF(110, 110, -100, -100), 7, {0, 0})), fromTurnedOver);
}

TEST(AnnotationBounds, GrowsByTheScaledLineWidthButAtLeastEight)
{
    struct Case {
        double lineWidth;
        std::array<double, 4> bounds;
    };
    for (const Case& c :
         {Case{3, {52, 52, 356, 216}}, Case{4.5, {51, 51, 358, 218}}, Case{10, {40, 40, 380, 240}}}) {
        SCOPED_TRACE(c.lineWidth);
        EXPECT_EQ(xywh(make(Kind::arrow, {400, 260}, {60, 60}, c.lineWidth).bounds(2)), c.bounds);
    }
}

TEST(AnnotationModel, CopyIsADetachedTwin)
{
    const auto original = std::make_shared<Annotation>(Kind::text, QPointF(1, 2), QPointF(30, 40),
                                                       QColor(0, 122, 255, 200), 3, 24, QStringLiteral("hi"));
    const AnnotationPtr twin = original->copy();
    ASSERT_NE(twin, nullptr);
    EXPECT_NE(twin.get(), original.get());
    EXPECT_EQ(twin->p2, QPointF(30, 40));
    EXPECT_EQ(twin->color, QColor(0, 122, 255, 200));
    EXPECT_EQ(twin->lineWidth, 3);
    EXPECT_EQ(twin->fontSize, 24);
    EXPECT_EQ(twin->text, QStringLiteral("hi"));

    twin->p1 = QPointF(5, 5);
    twin->text = QStringLiteral("changed");
    EXPECT_EQ(original->p1, QPointF(1, 2));
    EXPECT_EQ(original->text, QStringLiteral("hi"));
}

TEST(RawValues, MapInOrderAndNothingOutside)
{
    // The tool's raw value is its chooser position and shortcut digit minus one.
    const std::vector<std::pair<int, std::optional<ToolKind>>> tools{
        {-1, std::nullopt},  {0, ToolKind::select}, {1, ToolKind::rectangle}, {2, ToolKind::ellipse},
        {3, ToolKind::line}, {4, ToolKind::arrow},  {5, ToolKind::text},      {6, ToolKind::highlighter},
        {7, ToolKind::pen},  {8, ToolKind::step},   {9, ToolKind::redact},    {10, std::nullopt},
    };
    for (const auto& [raw, tool] : tools) {
        SCOPED_TRACE(raw);
        EXPECT_EQ(ToolKinds::fromRawValue(raw), tool);
    }
    const std::vector<std::pair<int, std::optional<Kind>>> kinds{
        {-1, std::nullopt}, {0, Kind::rectangle}, {1, Kind::ellipse},     {2, Kind::line},
        {3, Kind::arrow},   {4, Kind::text},      {5, Kind::highlighter}, {6, Kind::pen},
        {7, Kind::step},    {8, Kind::redaction}, {9, std::nullopt},
    };
    for (const auto& [raw, kind] : kinds) {
        SCOPED_TRACE(raw);
        EXPECT_EQ(Annotation::kindFromRawValue(raw), kind);
    }
}

} // namespace
} // namespace corvane
