// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <chrono>

// The confinement of our helper processes (the picture decoder, the text recogniser), entered once
// everything they need from the file system (Qt's image plugins and fonts, the language data) is
// loaded. Built into corvane_process, beside HelperProcess.
namespace corvane::HelperSandbox {

// Drops every descriptor but standard input, output and error, and asks to die with the parent.
void detachFromParent();

// Address space limited to what the process holds now plus MEMORY bytes, CPU time to CPU, no core
// files, no gain of privileges, and, where the kernel offers Landlock, no access to any path of the
// file system, no TCP and no signals or abstract sockets outside. Returns whether the file system
// was closed; the limits hold either way.
bool enter(qint64 memory, std::chrono::seconds cpu);

} // namespace corvane::HelperSandbox
