// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"

namespace corvane {

// A command that waits for its picture (--output, --clipboard) with no instance to hand it to: it
// captures in its own process, with its own overlay for a region or a window, writes the picture and
// ends, without a tray icon or shortcuts. With --clipboard it stays behind, detached from the caller,
// until another program takes the clipboard over. Answers the exit status, reported through
// CommandReport.
int runStandaloneCapture(const CommandLine& line, int& argc, char** argv);

} // namespace corvane
