// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"

namespace corvane {

// Creates the application object for the chosen mode, runs that mode and returns the exit status.
// argc and argv are the process's own: the application object keeps references to them.
int launch(const CommandLine& line, const QStringList& arguments, int& argc, char** argv);

} // namespace corvane
