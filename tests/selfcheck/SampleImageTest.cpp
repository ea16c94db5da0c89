// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "selfcheck/SampleImage.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(SampleImageTest, HasExactlyTheRequestedSize)
{
    const QSize sizes[] = {{1600, 1000}, {2880, 1800}, {3, 2}};
    for (const QSize& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        const auto image = SampleImage::make(size.width(), size.height());
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->size(), size);
        EXPECT_EQ(image->format(), QImage::Format_ARGB32_Premultiplied);
    }
}

TEST(SampleImageTest, NoPictureWithoutABitmap)
{
    const QSize sizes[] = {{0, 0}, {-5, 10}, {10, 0}, {40000, 20000}, {200000, 200000}};
    for (const QSize& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        EXPECT_FALSE(SampleImage::make(size.width(), size.height()).has_value());
    }
}

// Upright on screen: the gradient starts at the top-left, the light panel sits in the upper left, the
// dark one on the right and the blue one along the lower middle.
TEST(SampleImageTest, PanelsAndGradientLookUpright)
{
    const auto image = SampleImage::make(1600, 1000);
    ASSERT_TRUE(image.has_value());
    struct Probe {
        int x, y;
        int r, g, b;
        const char* what;
    };
    const Probe probes[] = {
        {0, 0, 28, 41, 71, "first gradient colour at the top-left"},
        {1599, 999, 76, 61, 107, "last gradient colour at the bottom-right"},
        {1599, 0, 51, 51, 88, "top-right, a little before the middle"},
        {0, 999, 53, 51, 90, "bottom-left, a little after the middle"},
        {320, 300, 237, 237, 239, "light panel"},
        {129, 151, 34, 43, 76, "outside the light panel's rounded corner"},
        {142, 164, 237, 237, 239, "inside that corner"},
        {320, 120, 36, 44, 77, "above the light panel"},
        {1120, 400, 39, 39, 41, "dark panel"},
        {672, 800, 51, 136, 211, "blue panel"},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(testing::Message() << p.what << " at " << p.x << "," << p.y);
        const QColor got = image->pixelColor(p.x, p.y);
        EXPECT_LE(std::abs(got.red() - p.r), 3) << got.red();
        EXPECT_LE(std::abs(got.green() - p.g), 3) << got.green();
        EXPECT_LE(std::abs(got.blue() - p.b), 3) << got.blue();
        EXPECT_EQ(got.alpha(), 255);
    }
}

} // namespace
} // namespace corvane
