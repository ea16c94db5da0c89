// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LaunchMode.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Kind = LaunchMode::Kind;

struct Case {
    const char* name;
    QStringList arguments;
    LaunchMode expected;
};

TEST(LaunchModeTest, ChoosesTheModeFromTheWholeArgumentList)
{
    const Case cases[] = {
        {"no arguments at all", {}, {Kind::normal, ""}},
        {"program path only", {"corvane"}, {Kind::normal, ""}},
        {"selftest with a path", {"corvane", "--selftest", "out.png"}, {Kind::selfCheck, "out.png"}},
        {"selftest last", {"corvane", "--selftest"}, {Kind::selfCheck, "selftest.png"}},
        {"selftest takes the next switch as its path",
         {"corvane", "--selftest", "--uitest"},
         {Kind::selfCheck, "--uitest"}},
        {"selftest after uitest still wins",
         {"corvane", "--uitest", "shots", "--selftest"},
         {Kind::selfCheck, "selftest.png"}},
        {"only the first selftest counts",
         {"corvane", "--selftest", "a.png", "--selftest", "b.png"},
         {Kind::selfCheck, "a.png"}},
        {"index 0 is searched too", {"--selftest", "x.png"}, {Kind::selfCheck, "x.png"}},
        {"uitest alone", {"corvane", "--uitest"}, {Kind::snapshot, "./uitest"}},
        {"uitest with a directory", {"corvane", "--uitest", "/tmp/shots"}, {Kind::snapshot, "/tmp/shots"}},
        {"only the first uitest counts",
         {"corvane", "--uitest", "one", "--uitest", "two"},
         {Kind::snapshot, "one"}},
        {"uitest takes an empty argument as given", {"corvane", "--uitest", ""}, {Kind::snapshot, ""}},
        {"capitals are not the switch", {"corvane", "--SELFTEST", "x"}, {Kind::normal, ""}},
        {"a single hyphen is not the switch", {"corvane", "-selftest", "-uitest"}, {Kind::normal, ""}},
        {"a switch with a value attached is not the switch",
         {"corvane", "--selftest=x.png"},
         {Kind::normal, ""}},
        {"unknown arguments are ignored", {"corvane", "--help", "-v"}, {Kind::normal, ""}},
        {"region trigger", {"corvane", "--capture-region"}, {Kind::normal, "", Trigger::captureRegion}},
        {"screen trigger", {"corvane", "--capture-screen"}, {Kind::normal, "", Trigger::captureScreen}},
        {"window trigger", {"corvane", "--capture-window"}, {Kind::normal, "", Trigger::captureWindow}},
        {"the first trigger wins over a window",
         {"corvane", "--capture-window", "--capture-region"},
         {Kind::normal, "", Trigger::captureWindow}},
        {"open keeps the path as typed",
         {"corvane", "--open", "shots/a.png"},
         {Kind::normal, "shots/a.png", Trigger::open}},
        {"open last is ignored", {"corvane", "--open"}, {Kind::normal, ""}},
        {"the first trigger wins",
         {"corvane", "--capture-screen", "--capture-region", "--open", "a.png"},
         {Kind::normal, "", Trigger::captureScreen}},
        {"a trigger after open is its path",
         {"corvane", "--open", "--capture-region"},
         {Kind::normal, "--capture-region", Trigger::open}},
        {"open before a capture trigger wins",
         {"corvane", "--open", "a.png", "--capture-region"},
         {Kind::normal, "a.png", Trigger::open}},
        {"a trailing open after a trigger leaves the trigger",
         {"corvane", "--capture-region", "--open"},
         {Kind::normal, "", Trigger::captureRegion}},
        {"selftest wins over a trigger before it",
         {"corvane", "--capture-region", "--selftest", "x.png"},
         {Kind::selfCheck, "x.png"}},
        {"uitest wins over a trigger after it",
         {"corvane", "--uitest", "shots", "--capture-screen"},
         {Kind::snapshot, "shots"}},
        {"uitest takes a trigger as its directory",
         {"corvane", "--uitest", "--open", "a.png"},
         {Kind::snapshot, "--open"}},
        {"triggers spelled otherwise are not triggers",
         {"corvane", "--Capture-Region", "-capture-screen", "--capture-region=1", "--capture"},
         {Kind::normal, ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LaunchMode chosen = chooseLaunchMode(c.arguments);
        EXPECT_EQ(chosen.kind, c.expected.kind);
        EXPECT_EQ(chosen.path.toStdString(), c.expected.path.toStdString());
        EXPECT_EQ(chosen.trigger, c.expected.trigger);
    }
}

} // namespace
} // namespace corvane
