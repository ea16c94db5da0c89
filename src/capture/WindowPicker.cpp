// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/WindowPicker.h"

#include <cmath>

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

QString titleOf(const std::vector<WindowFrame>& windowsTopFirst, const QRect& monitorPixels, double scale,
                const QRectF& picked)
{
    // The overlay hands back the very rectangle it was given, so a small tolerance only absorbs the
    // arithmetic of the round trip.
    const auto near = [](double a, double b) { return std::abs(a - b) < 0.01; };
    for (const WindowFrame& window : windowsTopFirst) {
        const std::vector<QRectF> seen = onMonitor({window.frame}, monitorPixels, scale);
        if (!seen.empty() && near(seen.front().x(), picked.x()) && near(seen.front().y(), picked.y()) &&
            near(seen.front().width(), picked.width()) && near(seen.front().height(), picked.height()))
            return window.title;
    }
    return {};
}

} // namespace corvane::WindowPicker
