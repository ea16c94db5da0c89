// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>

namespace corvane::IdleRelease {

// A capture has dropped its frames: the memory they took goes back to the system shortly, and what
// the capture source keeps for the next capture goes too once no capture has followed for a while.
void captureEnded();

// Runs ACTION whenever the quiet delay passes without a capture, before the heap is trimmed: what a
// controller keeps between captures can shrink then. Main thread only.
void addQuietAction(std::function<void()> action);

// Delays until the heap is trimmed and until the capture source lets go (tests shorten them).
void setDelays(std::chrono::milliseconds trim, std::chrono::milliseconds quiet);

// Hands free heap pages back to the system now. The C library keeps freed memory for reuse; after a
// 4K capture that is tens of megabytes the tray utility then holds for nothing.
void trimHeap();

} // namespace corvane::IdleRelease
