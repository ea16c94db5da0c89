// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "selfcheck/SampleImage.h"
#include "selfcheck/SelfTest.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// Where its panels lie is checked through the snapshot mode's overlay pictures (uitest_cli.offscreen).
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
