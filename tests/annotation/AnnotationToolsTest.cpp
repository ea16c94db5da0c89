// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Annotation.h"
#include "annotation/Redaction.h"

#include <QImage>
#include <QPainter>
#include <array>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace corvane {
namespace {

using Kind = Annotation::Kind;

Annotation make(Kind kind, QPointF p1, QPointF p2, double lineWidth, std::vector<QPointF> points = {})
{
    Annotation a(kind, p1, p2, QColor(255, 59, 48), lineWidth, 24, QString());
    a.points = std::move(points);
    return a;
}

std::array<double, 4> xywh(const QRectF& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

TEST(ToolHitTest, StrokesByTheirPathStepsByTheirCircleRedactionsWhole)
{
    const std::vector<QPointF> corner{{100, 100}, {200, 100}, {200, 200}};
    const std::vector<Annotation> shapes{
        make(Kind::highlighter, {100, 100}, {200, 200}, 3, corner), // 0: 15 broad, tolerance 10
        make(Kind::highlighter, {100, 100}, {200, 200}, 6, corner), // 1: 30 broad, tolerance 15
        make(Kind::pen, {100, 100}, {200, 200}, 3, corner),         // 2: tolerance never below 10
        make(Kind::pen, {100, 100}, {200, 200}, 12, corner),        // 3: tolerance 12
        make(Kind::pen, {0, 0}, {100, 0}, 3),                       // 4: no points: p1 to p2
        make(Kind::step, {100, 100}, {134, 134}, 3),                // 5: circle of radius 17 grown by 4
        make(Kind::redaction, {100, 100}, {200, 150}, 3),           // 6: the box grown by 4, inside too
    };
    struct Case {
        int shape;
        double x, y;
        bool hit;
    };
    const std::vector<Case> cases{
        {0, 150, 109, true},     {0, 150, 111, false},  {0, 209, 150, true},    {0, 211, 150, false},
        {0, 150, 150, false},    {1, 150, 114, true},   {1, 150, 116, false},   {2, 150, 109, true},
        {2, 150, 111, false},    {3, 150, 111.9, true}, {3, 150, 112.1, false}, {4, 50, 9, true},
        {4, 50, 11, false},      {5, 117, 96.5, true},  {5, 117, 95.5, false},  {5, 117, 117, true},
        {5, 100, 100, false},    {6, 150, 125, true},   {6, 96, 125, true},     {6, 95.9, 125, false},
        {6, 203.9, 153.9, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "shape " << c.shape << " at (" << c.x << ", " << c.y << ")");
        EXPECT_EQ(shapes[c.shape].hitTest({c.x, c.y}, 1), c.hit);
    }
}

TEST(ToolGeometry, StepSquaresFollowTheFontAndStrokesMoveWhole)
{
    const struct {
        double fontSize, scale;
        std::array<double, 4> square;
    } squares[] = {
        {24, 1, {100, 100, 34, 34}}, {24, 2, {83.5, 83.5, 67, 67}}, {12, 1, {108.5, 108.5, 17, 17}}};
    for (const auto& c : squares)
        EXPECT_EQ(xywh(Annotation::stepSquare({117, 117}, c.fontSize, c.scale)), c.square) << c.fontSize;

    Annotation pen = make(Kind::pen, {}, {}, 3, {{30, 40}, {10, 90}, {70, 60}});
    pen.fitToPoints();
    const std::array<double, 4> fitted{10, 40, 60, 50};
    EXPECT_EQ(xywh(pen.rect()), fitted);
    pen.translate({5, -10});
    const std::array<double, 4> moved{15, 30, 60, 50};
    EXPECT_EQ(xywh(pen.rect()), moved);
    EXPECT_EQ(pen.points.front(), QPointF(35, 30));
    EXPECT_EQ(pen.handlePoints().size(), 8u);
}

TEST(ToolGeometry, StepsAreNumberedInPlacementOrderWithoutGaps)
{
    std::vector<AnnotationPtr> list;
    for (Kind kind : {Kind::step, Kind::rectangle, Kind::step, Kind::redaction, Kind::step}) {
        list.push_back(std::make_shared<Annotation>(make(kind, {0, 0}, {10, 10}, 3)));
        list.back()->stepNumber = 7;
    }
    renumberSteps(list);
    EXPECT_EQ((std::array{list[0]->stepNumber, list[2]->stepNumber, list[4]->stepNumber}),
              (std::array{1, 2, 3}));
    list.erase(list.begin());
    renumberSteps(list);
    EXPECT_EQ((std::array{list[1]->stepNumber, list[3]->stepNumber}), (std::array{1, 2}));
}

TEST(RedactionBlocks, AtLeastTwelvePixelsASixthOfTheShorterSideAndNoSlivers)
{
    const struct {
        QSize region;
        int block;
    } sizes[] = {{{100, 40}, 12}, {{600, 300}, 50}, {{72, 200}, 12}, {{73, 200}, 13}, {{5, 5}, 12}};
    for (const auto& c : sizes)
        EXPECT_EQ(Redaction::blockSize(c.region), c.block) << c.region.width() << "x" << c.region.height();

    const struct {
        int length, block;
        std::vector<int> edges;
    } sides[] = {{100, 17, {0, 20, 40, 60, 80, 100}},
                 {40, 12, {0, 13, 26, 40}},
                 {5, 12, {0, 5}},
                 {24, 12, {0, 12, 24}}};
    for (const auto& c : sides)
        EXPECT_EQ(Redaction::blockEdges(c.length, c.block), c.edges) << c.length << " by " << c.block;

    const struct {
        int mean, offset, result;
    } channels[] = {{250, 20, 230}, {10, -20, 30},  {128, 16, 144},
                    {0, -16, 16},   {255, 48, 207}, {100, -48, 52}};
    for (const auto& c : channels)
        EXPECT_EQ(Redaction::noisy(c.mean, c.offset), c.result) << c.mean << " " << c.offset;
}

TEST(RedactionBlocks, EachBlockIsOneColourAwayFromTheMeanAndFreshEachTime)
{
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(QColor(100, 150, 200));
    const QRect region(20, 10, 60, 30); // blocks of 12: five columns of 12, two rows of 15
    const QImage first = Redaction::pixelated(picture, region);
    const QImage second = Redaction::pixelated(picture, region);
    ASSERT_EQ(first.size(), QSize(60, 30));
    EXPECT_NE(first, second) << "the noise is drawn afresh";
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 5; ++column) {
            const QRgb colour = first.pixel(column * 12, row * 15);
            for (int y = row * 15; y < row * 15 + 15; ++y)
                for (int x = column * 12; x < column * 12 + 12; ++x)
                    ASSERT_EQ(first.pixel(x, y), colour) << x << ", " << y;
            for (const auto& [channel, mean] :
                 {std::pair{qRed(colour), 100}, {qGreen(colour), 150}, {qBlue(colour), 200}}) {
                EXPECT_GE(std::abs(channel - mean), 16) << column << ", " << row;
                EXPECT_LE(std::abs(channel - mean), 48) << column << ", " << row;
            }
        }
    }
    EXPECT_TRUE(Redaction::pixelated(picture, QRect(300, 300, 10, 10)).isNull());
}

TEST(RedactionDrawing, SolidIsExactlyTheOpaqueColourAndPixelateKeepsItsLookUntilMoved)
{
    QImage original(120, 80, QImage::Format_RGB32);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x)
            original.setPixel(x, y, qRgb(x * 2, y * 3, 90));
    const auto flatten = [&original](const Annotation& a) {
        QImage image = original.copy();
        QPainter painter(&image);
        a.drawRedaction(painter, original);
        return image;
    };
    Annotation box = make(Kind::redaction, {10.5, 20.2}, {50, 60}, 3);
    box.color = QColor(0, 122, 255, 100);
    box.redactionStyle = Annotation::RedactionStyle::solid;
    const QImage solid = flatten(box);
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

    box.redactionStyle = Annotation::RedactionStyle::pixelate;
    const QImage shown = flatten(box);
    EXPECT_EQ(flatten(box), shown) << "repainting keeps the look";
    EXPECT_EQ(flatten(*box.copy()), shown) << "an undo snapshot keeps the look";
    box.translate({1, 0});
    box.translate({-1, 0});
    EXPECT_EQ(flatten(box), shown) << "back where it was";
    box.translate({20, 0});
    const QImage moved = flatten(box);
    EXPECT_NE(moved.copy(30, 20, 40, 40), shown.copy(30, 20, 40, 40));
    EXPECT_EQ(moved.pixel(15, 30), original.pixel(15, 30)) << "where it was, the picture shows again";
}

} // namespace
} // namespace corvane
