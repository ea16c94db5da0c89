// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/DisplayShot.h"

#include <cstddef>

namespace corvane {

class OverlayWindow;

// Overlay windows kept, hidden, between captures. A new window and its backing store (a whole
// monitor's worth of shared memory, faulted in by the first paint) cost more than everything else
// between the hotkey and the painted overlay; a kept one is shown again over the new picture.
namespace OverlayWindowPool {

// A window over `shot`'s monitor showing `shot`, with no selection: a kept one when one fits the
// monitor exactly (same screen, place and pixel size), otherwise a new one.
OverlayWindow* take(const DisplayShot& shot);

// Hides `window` and keeps it for the next capture; its picture and callbacks are let go on the next
// turn of the event loop (this runs inside the window's own input handlers).
void giveBack(OverlayWindow* window);

// Deletes every kept window (after a quiet period, or when the monitors change).
void clear();

} // namespace OverlayWindowPool
} // namespace corvane
