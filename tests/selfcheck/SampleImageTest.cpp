// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "selfcheck/SampleImage.h"
#include "selfcheck/SelfTest.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(SampleImageTest, ExactlyTheRequestedSizeOrNothingWithoutABitmap)
{
    const std::pair<QSize, bool> cases[] = {{{2880, 1800}, true}, {{3, 2}, true},          {{0, 0}, false},
                                            {{-5, 10}, false},    {{40000, 20000}, false}, {{200000, 200000}, false}};
    for (const auto& [size, made] : cases) {
        const auto image = SampleImage::make(size.width(), size.height());
        EXPECT_EQ(image ? image->size() : QSize(), made ? size : QSize()) << size.width() << "x" << size.height();
        EXPECT_TRUE(!image || image->format() == QImage::Format_ARGB32_Premultiplied);
    }
}

// Upright on screen: the gradient starts at the top-left, the light panel sits in the upper left, the
// dark one on the right and the blue one along the lower middle.
TEST(SampleImageTest, PanelsAndGradientLookUpright)
{
    const auto image = SampleImage::make(1600, 1000);
    ASSERT_TRUE(image.has_value());
    const struct {
        int x, y;
        int r, g, b;
        const char* what;
    } probes[] = {
        {0, 0, 28, 41, 71, "first gradient colour at the top-left"},
        {1599, 999, 76, 61, 107, "last gradient colour at the bottom-right"},
        {320, 300, 237, 237, 239, "light panel"},
        {129, 151, 34, 43, 76, "outside the light panel's rounded corner"},
        {142, 164, 237, 237, 239, "inside that corner"},
        {1120, 400, 39, 39, 41, "dark panel"},
        {672, 800, 51, 136, 211, "blue panel"},
    };
    for (const auto& p : probes) {
        const QColor got = image->pixelColor(p.x, p.y);
        EXPECT_TRUE(std::abs(got.red() - p.r) <= 3 && std::abs(got.green() - p.g) <= 3 &&
                    std::abs(got.blue() - p.b) <= 3 && got.alpha() == 255)
            << p.what << ": " << got.name(QColor::HexArgb).toStdString();
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
