// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <xcb/xcb.h>

#include <vector>

// This machine's own floor for "shortcut to dimmed frozen overlay on screen", measured on the same
// X server as the program: a bare XCB client with one MIT-SHM segment grabs the whole screen, dims it
// in one pass, maps an override-redirect window over the screen and puts the picture into it, then
// waits for the server to have done it. Whatever the program adds beyond this is overhead of its own.
struct OverlayFloor {
    std::vector<double> warm;  // with the segment kept and its pages touched beforehand
    double fresh = 0;          // once, with a segment made and first touched inside the measurement
    double populated = 0;      // the same, its pages made present in one madvise(MADV_POPULATE_WRITE) first
};

OverlayFloor measureOverlayFloor(xcb_connection_t* connection, int runs);
