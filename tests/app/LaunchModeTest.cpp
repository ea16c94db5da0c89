// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LaunchMode.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Kind = LaunchMode::Kind;

// A self-check with a path or none is selftest_cli's; a capture trigger, and --open with a name relative
// to the caller's folder, are the e2e cases'.
TEST(LaunchModeTest, ChoosesTheModeFromTheWholeArgumentList)
{
    const struct {
        const char* name;
        QStringList arguments;
        LaunchMode expected;
    } cases[] = {
        {"selftest takes the next switch as its path",
         {"corvane", "--selftest", "--uitest"}, {Kind::selfCheck, "--uitest"}},
        {"selftest after uitest still wins",
         {"corvane", "--uitest", "shots", "--selftest"}, {Kind::selfCheck, "selftest.png"}},
        {"only the first selftest counts",
         {"corvane", "--selftest", "a.png", "--selftest", "b.png"}, {Kind::selfCheck, "a.png"}},
        {"uitest alone", {"corvane", "--uitest"}, {Kind::snapshot, "./uitest"}},
        {"uitest takes a trigger as its directory",
         {"corvane", "--uitest", "--open", "a.png"}, {Kind::snapshot, "--open"}},
        {"switches spelled otherwise are not switches",
         {"corvane", "--SELFTEST", "-uitest", "--selftest=x.png", "--Capture-Region", "-capture-screen",
          "--capture-region=1", "--capture"},
         {Kind::normal, ""}},
        {"the first trigger wins",
         {"corvane", "--capture-window", "--capture-region", "--open", "a.png"},
         {Kind::normal, "", Trigger::captureWindow}},
        {"open last is ignored", {"corvane", "--open"}, {Kind::normal, ""}},
        {"a trigger after open is its path",
         {"corvane", "--open", "--capture-region"}, {Kind::normal, "--capture-region", Trigger::open}},
        {"a trailing open after a trigger leaves the trigger",
         {"corvane", "--capture-region", "--open"}, {Kind::normal, "", Trigger::captureRegion}},
        {"selftest wins over a trigger before it",
         {"corvane", "--capture-region", "--selftest", "x.png"}, {Kind::selfCheck, "x.png"}},
        {"uitest wins over a trigger after it",
         {"corvane", "--uitest", "shots", "--capture-screen"}, {Kind::snapshot, "shots"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LaunchMode chosen = chooseLaunchMode(c.arguments);
        EXPECT_EQ(chosen.kind, c.expected.kind);
        EXPECT_EQ(chosen.path.toStdString(), c.expected.path.toStdString());
        EXPECT_EQ(chosen.trigger, c.expected.trigger);
    }
}

} // namespace
} // namespace corvane
