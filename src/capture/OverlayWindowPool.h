// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/DisplayShot.h"

#include <cstddef>

namespace corvane {

class OverlayWindow;

// Overlay windows kept, hidden, between captures. A new window and its backing store (a whole
// monitor's worth of shared memory, faulted in by the first paint) cost more than everything else
// between the hotkey and the painted overlay; a kept one is shown again over the new picture. After a
// quiet period the windows stay and only their backing stores' pages go; the next capture has them
// made present on another thread while it grabs.
namespace OverlayWindowPool {

// A window over `shot`'s monitor showing `shot`, with no selection: a kept one when one fits the
// monitor exactly (same screen, place and pixel size), otherwise a new one.
OverlayWindow* take(const DisplayShot& shot);

// Hides `window` and keeps it for the next capture; its picture and callbacks are let go on the next
// turn of the event loop (this runs inside the window's own input handlers).
void giveBack(OverlayWindow* window);

// Makes a hidden window for every monitor, with its backing store sized but none of its pages
// present, so that the first capture does not pay for making them (X11 only).
void prepare();

// Starts making the pages of kept windows' backing stores present again on another thread; called
// at the start of a capture, before the grab, so that the two run side by side.
void warm();

// After a quiet period: gives back the pages of every kept window's backing store, keeping the
// windows (a window whose pages cannot be given back is deleted).
void release();

// Deletes every kept window (when the monitors change).
void clear();

} // namespace OverlayWindowPool
} // namespace corvane
