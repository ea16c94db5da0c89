// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace corvane::x11 {

// Another X client may destroy one of our windows outright (a window manager's or a tool's forced
// close, `xdotool windowclose`). Qt does not notice: the widget behind it, an editor with its
// pictures, would live on unseen for the rest of the process. Once armed (with the application object
// on the xcb platform), such a window is closed as if its close button had been used, so whatever
// frees it on close (an editor deletes itself) does so.
void closeWindowsDestroyedElsewhere();

} // namespace corvane::x11
