// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/OverlayGeometry.h"

#include <QPointF>
#include <algorithm>
#include <cmath>

namespace corvane::OverlayGeometry {

namespace {

// std::round rounds halves away from zero, which is what the labels and the crop need.
long long rounded(double value)
{
    return std::llround(value);
}

} // namespace

QRectF selection(QPointF anchor, QPointF current)
{
    return {std::min(anchor.x(), current.x()), std::min(anchor.y(), current.y()),
            std::abs(current.x() - anchor.x()), std::abs(current.y() - anchor.y())};
}

QString sizeLabelText(const QRectF& r, double scale)
{
    return QStringLiteral("%1 × %2  (%3 × %4 px)")
        .arg(rounded(r.width()))
        .arg(rounded(r.height()))
        .arg(rounded(r.width() * scale))
        .arg(rounded(r.height() * scale));
}

QRectF sizeLabelBox(const QRectF& r, QSizeF textSize, QSizeF bounds)
{
    const QSizeF box(textSize.width() + 12, textSize.height() + 8);
    double top = r.top() - 8 - box.height();
    if (top < 0)
        top = r.bottom() + 8;
    const double left = std::min(bounds.width() - textSize.width() - 16, std::max(r.left(), 4.0));
    return {QPointF(left, top), box};
}

QRectF hintPill(QSizeF textSize, QSizeF bounds)
{
    const QSizeF pill(textSize.width() + 28, textSize.height() + 16);
    return {QPointF((bounds.width() - textSize.width()) * 0.5 - 14, bounds.height() * 0.25 - pill.height()),
            pill};
}

QRect cropRect(const QRectF& r, QSize pixels, QSizeF frame)
{
    const double sx = pixels.width() / frame.width();
    const double sy = pixels.height() / frame.height();
    const QRect wanted(static_cast<int>(std::floor(sx * r.left())),
                       static_cast<int>(std::floor(sy * r.top())), static_cast<int>(rounded(sx * r.width())),
                       static_cast<int>(rounded(sy * r.height())));
    return wanted.intersected(QRect(QPoint(0, 0), pixels));
}

} // namespace corvane::OverlayGeometry
