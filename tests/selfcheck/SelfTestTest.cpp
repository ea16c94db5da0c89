// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "selfcheck/SelfTest.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(SelfTestTest, MarkerHasRedTopLeftAndBlueBottomRight)
{
    const auto marker = SelfTest::orientationMarker(64, 48);
    ASSERT_TRUE(marker.has_value());
    ASSERT_EQ(marker->size(), QSize(64, 48));
    struct Probe {
        int x, y;
        QRgb expected;
    };
    const Probe probes[] = {
        {0, 0, qRgb(0xFF, 0x3B, 0x30)},   {15, 15, qRgb(0xFF, 0x3B, 0x30)}, {16, 16, qRgb(255, 255, 255)},
        {48, 32, qRgb(0x00, 0x7A, 0xFF)}, {63, 47, qRgb(0x00, 0x7A, 0xFF)}, {47, 31, qRgb(255, 255, 255)},
        {63, 0, qRgb(255, 255, 255)},     {0, 47, qRgb(255, 255, 255)},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(testing::Message() << "pixel " << p.x << "," << p.y);
        EXPECT_EQ(marker->pixel(p.x, p.y), p.expected);
    }
}

TEST(SelfTestTest, SamplesComponentsFromTheTopRow)
{
    QImage image(2, 2, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(10, 20, 30, 255));
    image.setPixel(1, 0, qRgba(200, 100, 50, 255));
    image.setPixel(0, 1, qRgba(0, 0, 0, 0));
    image.setPixel(1, 1, qRgba(255, 255, 255, 128));

    struct Case {
        int x, y;
        SelfTest::RGBA expected;
    };
    const Case cases[] = {
        {0, 0, {10, 20, 30, 255}},    {1, 0, {200, 100, 50, 255}}, {0, 1, {0, 0, 0, 0}},
        {1, 1, {255, 255, 255, 128}}, {2, 0, {0, 0, 0, 0}},        {-1, 0, {0, 0, 0, 0}},
        {0, 2, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pixel " << c.x << "," << c.y);
        const SelfTest::RGBA got = SelfTest::sampleRGBA(image, c.x, c.y);
        EXPECT_EQ(got.r, c.expected.r);
        EXPECT_EQ(got.g, c.expected.g);
        EXPECT_EQ(got.b, c.expected.b);
        EXPECT_EQ(got.a, c.expected.a);
    }
}

TEST(SelfTestTest, OrientationCheckPassesThroughTheCanvas)
{
    testing::internal::CaptureStdout();
    const int failures = SelfTest::orientationCheck();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(failures, 0) << out;
    EXPECT_EQ(out, "  ok   exported top-left stays red (not vertically flipped)\n"
                   "  ok   exported bottom-right stays blue (not vertically flipped)\n");
}

} // namespace
} // namespace corvane
