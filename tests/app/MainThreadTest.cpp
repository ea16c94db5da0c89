// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainThread.h"

#include <gtest/gtest.h>
#include <thread>

namespace corvane {
namespace {

TEST(MainThreadDeathTest, PassesOnTheApplicationThreadAndStopsWithTheFatalMessageOnAnother)
{
    assumeMainThread("main");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(std::thread([] { assumeMainThread("main"); }).join(),
                 "main: Fatal error: Incorrect actor executor assumption; Expected same executor as MainActor\\.");
}

} // namespace
} // namespace corvane
