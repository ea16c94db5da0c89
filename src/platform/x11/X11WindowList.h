// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "seams/CaptureSource.h"

#include <QRect>
#include <cstdint>
#include <vector>

struct xcb_connection_t;

namespace corvane::x11 {

// The frames of the windows on screen, topmost first, in the root window's device pixels: the window
// manager's client list in stacking order with each client's frame extents (title bar and borders),
// or, without such a list, the mapped top-level children of the root. Windows of process `ownPid`,
// desktop and dock windows, and windows that are not shown (minimised, on another workspace) are
// left out. Each comes with its title (_NET_WM_NAME, else WM_NAME).
std::vector<WindowFrame> readWindowFrames(xcb_connection_t* connection, std::uint32_t root, std::uint32_t ownPid);

} // namespace corvane::x11
