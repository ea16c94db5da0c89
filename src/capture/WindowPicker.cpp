// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/WindowPicker.h"

namespace corvane::WindowPicker {

std::vector<QRectF> onMonitor(const std::vector<QRect>& framesTopFirst, const QRect& monitorPixels, double scale)
{
    std::vector<QRectF> windows;
    for (const QRect& frame : framesTopFirst) {
        const QRect visible = frame.intersected(monitorPixels);
        if (visible.isEmpty())
            continue;
        windows.emplace_back(QPointF(visible.topLeft() - monitorPixels.topLeft()) / scale,
                             QSizeF(visible.size()) / scale);
    }
    return windows;
}

std::optional<QRectF> windowAt(const std::vector<QRectF>& windowsTopFirst, QPointF point)
{
    for (const QRectF& window : windowsTopFirst) {
        if (point.x() >= window.left() && point.x() < window.right() && point.y() >= window.top() &&
            point.y() < window.bottom())
            return window;
    }
    return std::nullopt;
}

} // namespace corvane::WindowPicker
