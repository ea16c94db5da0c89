// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "selfcheck/SelfTest.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

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
