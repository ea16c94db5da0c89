// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace corvane::x11 {

// Whether something composites the windows of the X screen, so that a translucent window's clear
// corners show what is behind it. True anywhere but on X11 (Wayland, no display), where the display
// server composites itself.
bool compositorRunning();

} // namespace corvane::x11
