// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// How a command that waits for its capture tells its caller how it went: one line on standard error and
// the exit status. With --clipboard on X11 the picture lives only as long as the process that put it on
// the clipboard, so the command's own process forks before anything else runs (while it still has one
// thread) and only waits for the child's report; the child stays behind holding the clipboard when it
// took the capture itself, until another program takes the clipboard over.
namespace corvane::CommandReport {

// In the parent: never returns, exits with the child's status after printing its line. In the child:
// returns, with standard output already closed.
void detachFromCaller();

// Prints LINE (unless empty) and answers STATUS; in a detached child, sends both to the waiting parent
// once (later calls only answer STATUS) and closes standard error.
int finish(int status, const QString& line);

} // namespace corvane::CommandReport
