// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Action = CommandLine::Action;
using Destination = CaptureOptions::Destination;

// --help, --version, an unknown switch and --capture-screen --output FILE [--force] are also
// launch_cli.help-and-errors' and e2e.capture.cli-output's, through the real binary.
TEST(CommandLineTest, ChecksTheSwitchesAndReadsTheCaptureOptions)
{
    const struct {
        QStringList arguments;
        Action action;
        Trigger trigger;
        CaptureOptions capture;
    } accepted[] = {
        {{"corvane"}, Action::run, Trigger::none, {}},
        {{"corvane", "--capture-region", "-h"}, Action::showHelp, Trigger::captureRegion, {}},
        {{"corvane", "-platform", "xcb", "-style", "fusion", "--capture-screen"}, Action::run, Trigger::captureScreen, {}},
        {{"corvane", "picture.png"}, Action::run, Trigger::none, {}},
        {{"corvane", "--selftest", "--uitest"}, Action::run, Trigger::none, {}}, // the switch is selftest's path
        {{"corvane", "--uitest", "shots", "--selftest"}, Action::run, Trigger::none, {}},
        {{"corvane", "--capture-region", "--open"}, Action::run, Trigger::captureRegion, {}},
        {{"corvane", "--capture-screen", "--all", "--output", "-"}, Action::run, Trigger::captureScreen,
         {0, true, Destination::standardOutput, "-", false}},
        {{"corvane", "--capture-region", "--output=a b.png", "--force"}, Action::run, Trigger::captureRegion,
         {0, false, Destination::file, "a b.png", true}},
        {{"corvane", "--capture-window", "--clipboard", "--delay", "2.5"}, Action::run, Trigger::captureWindow,
         {2.5, false, Destination::clipboard, "", false}},
        {{"corvane", "--capture-region", "--delay", "60"}, Action::run, Trigger::captureRegion,
         {60, false, Destination::menu, "", false}},
    };
    for (const auto& c : accepted) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CommandLine line = parseCommandLine(c.arguments);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.error.toStdString(), "");
        EXPECT_EQ(line.mode.trigger, c.trigger);
        EXPECT_EQ(line.capture, c.capture);
    }

    const struct {
        QStringList arguments;
        const char* error;
    } rejected[] = {
        {{"corvane", "--colour=red"}, "unknown option --colour"},
        {{"corvane", "--capture-region", "--delay", "60.5"}, "--delay takes seconds from 0 to 60, not \"60.5\""},
        {{"corvane", "--capture-region", "--output"}, "Missing value after '--output'."},
        {{"corvane", "--output", "f.png"}, "--output needs --capture-region, --capture-window or --capture-screen"},
        {{"corvane", "--open", "a.png", "--delay", "1"}, "--delay needs --capture-region, --capture-window or --capture-screen"},
        {{"corvane", "--capture-region", "--all"}, "--all goes with --capture-screen"},
        {{"corvane", "--capture-region", "--clipboard", "--force"}, "--force goes with --output"},
        {{"corvane", "--capture-region", "--clipboard", "--output", "f.png"}, "--output and --clipboard cannot be used together"},
        {{"corvane", "--capture-region", "--output", ""}, "--output needs a file name, or - for standard output"},
        {{"corvane", "--capture-region=1"}, "Unexpected value after '--capture-region'."},
    };
    for (const auto& c : rejected) {
        const CommandLine line = parseCommandLine(c.arguments);
        EXPECT_EQ(line.action, Action::reject) << c.error;
        EXPECT_EQ(line.error.toStdString(), c.error);
    }
}

} // namespace
} // namespace corvane
