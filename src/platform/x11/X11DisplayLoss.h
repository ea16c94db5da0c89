// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace corvane::x11 {

// When the X server goes away, Qt's xcb platform ends the process with exit(1) from inside the event
// loop, after a log line that names neither the program nor the display. Once armed (with the
// application object built on the xcb platform), such an exit also says, on standard error, which
// display was lost. Disarmed before the application object goes: a normal quit says nothing.
void armLostDisplayMessage();
void disarmLostDisplayMessage();

} // namespace corvane::x11
