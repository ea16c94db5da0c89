// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "seams/CaptureSource.h"

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <optional>
#include <vector>

// Picking a window in the overlay, apart from any widget or display server so it can be checked with
// numbers. The window list is read once per capture; these only look at it.
namespace corvane::WindowPicker {

// The windows as the overlay of one monitor sees them, topmost first: each frame (device pixels of the
// whole display) clipped to the monitor at `monitorPixels`, in that monitor's logical coordinates
// (divided by `scale`). Windows that do not reach the monitor are left out.
std::vector<QRectF> onMonitor(const std::vector<QRect>& framesTopFirst, const QRect& monitorPixels, double scale);

// The topmost window that holds the point (left and top edges inclusive, right and bottom exclusive),
// or nothing over the bare desktop.
std::optional<QRectF> windowAt(const std::vector<QRectF>& windowsTopFirst, QPointF point);

// The title of the topmost window whose frame, seen on the monitor as onMonitor() sees it, is `picked`;
// empty when none is.
QString titleOf(const std::vector<WindowFrame>& windowsTopFirst, const QRect& monitorPixels, double scale,
                const QRectF& picked);

} // namespace corvane::WindowPicker
