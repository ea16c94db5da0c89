// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Action = CommandLine::Action;
using Destination = CaptureOptions::Destination;

TEST(CommandLineTest, ChecksTheSwitchesAndReadsTheCaptureOptions)
{
    const struct {
        const char* name;
        QStringList arguments;
        Action action;
        const char* error;
        Trigger trigger;
        CaptureOptions capture;
    } cases[] = {
        {"nothing", {"corvane"}, Action::run, "", Trigger::none, {}},
        {"help", {"corvane", "--help"}, Action::showHelp, "", Trigger::none, {}},
        {"help after a trigger", {"corvane", "--capture-region", "-h"}, Action::showHelp, "", Trigger::captureRegion, {}},
        {"version", {"corvane", "--version"}, Action::showVersion, "", Trigger::none, {}},
        {"an unknown switch is named", {"corvane", "--capture-regoin"}, Action::reject, "unknown option --capture-regoin",
         Trigger::none, {}},
        {"an unknown switch with a value", {"corvane", "--colour=red"}, Action::reject, "unknown option --colour",
         Trigger::none, {}},
        {"Qt's own options pass", {"corvane", "-platform", "xcb", "-style", "fusion", "--capture-screen"},
         Action::run, "", Trigger::captureScreen, {}},
        {"a plain word passes", {"corvane", "picture.png"}, Action::run, "", Trigger::none, {}},
        {"selftest keeps a switch as its path", {"corvane", "--selftest", "--uitest"}, Action::run, "", Trigger::none, {}},
        {"selftest as the last word", {"corvane", "--uitest", "shots", "--selftest"}, Action::run, "", Trigger::none, {}},
        {"open as the last word", {"corvane", "--capture-region", "--open"}, Action::run, "", Trigger::captureRegion, {}},
        {"window trigger", {"corvane", "--capture-window"}, Action::run, "", Trigger::captureWindow, {}},
        {"a file", {"corvane", "--capture-screen", "--output", "f.jpg"}, Action::run, "", Trigger::captureScreen,
         {0, false, Destination::file, "f.jpg", false}},
        {"standard output, every monitor", {"corvane", "--capture-screen", "--all", "--output", "-"}, Action::run, "",
         Trigger::captureScreen, {0, true, Destination::standardOutput, "-", false}},
        {"replacing, with a value attached", {"corvane", "--capture-region", "--output=a b.png", "--force"},
         Action::run, "", Trigger::captureRegion, {0, false, Destination::file, "a b.png", true}},
        {"clipboard after a delay", {"corvane", "--capture-window", "--clipboard", "--delay", "2.5"}, Action::run, "",
         Trigger::captureWindow, {2.5, false, Destination::clipboard, "", false}},
        {"the longest delay", {"corvane", "--capture-region", "--delay", "60"}, Action::run, "", Trigger::captureRegion,
         {60, false, Destination::menu, "", false}},
        {"too long a delay", {"corvane", "--capture-region", "--delay", "60.5"}, Action::reject,
         "--delay takes seconds from 0 to 60, not \"60.5\"", Trigger::none, {}},
        {"a negative delay", {"corvane", "--capture-region", "--delay=-1"}, Action::reject,
         "--delay takes seconds from 0 to 60, not \"-1\"", Trigger::none, {}},
        {"a delay that is no number", {"corvane", "--capture-region", "--delay", "soon"}, Action::reject,
         "--delay takes seconds from 0 to 60, not \"soon\"", Trigger::none, {}},
        {"a missing value", {"corvane", "--capture-region", "--output"}, Action::reject,
         "Missing value after '--output'.", Trigger::none, {}},
        {"output without a capture", {"corvane", "--output", "f.png"}, Action::reject,
         "--output needs --capture-region, --capture-window or --capture-screen", Trigger::none, {}},
        {"delay with open", {"corvane", "--open", "a.png", "--delay", "1"}, Action::reject,
         "--delay needs --capture-region, --capture-window or --capture-screen", Trigger::none, {}},
        {"all without the screen", {"corvane", "--capture-region", "--all"}, Action::reject,
         "--all goes with --capture-screen", Trigger::none, {}},
        {"force without output", {"corvane", "--capture-region", "--clipboard", "--force"}, Action::reject,
         "--force goes with --output", Trigger::none, {}},
        {"output and clipboard", {"corvane", "--capture-region", "--clipboard", "--output", "f.png"}, Action::reject,
         "--output and --clipboard cannot be used together", Trigger::none, {}},
        {"an empty file name", {"corvane", "--capture-region", "--output", ""}, Action::reject,
         "--output needs a file name, or - for standard output", Trigger::none, {}},
        {"a flag with a value", {"corvane", "--capture-region=1"}, Action::reject,
         "Unexpected value after '--capture-region'.", Trigger::none, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CommandLine line = parseCommandLine(c.arguments);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.error.toStdString(), c.error);
        if (c.action == Action::reject)
            continue;
        EXPECT_EQ(line.mode.trigger, c.trigger);
        EXPECT_EQ(line.capture, c.capture);
    }
}

} // namespace
} // namespace corvane
