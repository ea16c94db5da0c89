// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRectF>

namespace corvane {

// What every capture ends in: the pixels, their device pixels per logical pixel, and the captured
// area in global logical coordinates (as selected, not clipped to the monitor).
struct CaptureResult {
    QImage image;
    double scale = 1;
    QRectF globalRect;
    // The title of the window picked in the overlay; empty for a region or a monitor.
    QString windowTitle = {};
};

} // namespace corvane
