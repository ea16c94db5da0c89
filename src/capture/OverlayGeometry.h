// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

// The arithmetic of the selection overlay, apart from any widget so it can be checked with numbers.
// All rectangles are in the overlay's own logical coordinates: top-left origin, y down.
namespace corvane::OverlayGeometry {

inline constexpr double minimumSelection = 3;

// The rectangle spanned by the drag's start and its latest point, whichever corner it started from.
QRectF selection(QPointF anchor, QPointF current);

// "300 × 150  (600 × 300 px)": logical and device sizes, halves rounded away from zero.
QString sizeLabelText(const QRectF& selection, double scale);

// The size label's box for a text of `textSize`: 8 above the selection, or 8 below it when it would
// leave the top of the view; never closer than 4 to the left or right edges.
QRectF sizeLabelBox(const QRectF& selection, QSizeF textSize, QSizeF bounds);

// The hint pill for a text of `textSize`: centred, its lower edge a quarter of the height from the top.
QRectF hintPill(QSizeF textSize, QSizeF bounds);

// The device pixels a selection covers in a frozen picture of `pixels` shown over a monitor of
// `frame` logical size, clipped to the picture. Empty when nothing of the picture is covered.
QRect cropRect(const QRectF& selection, QSize pixels, QSizeF frame);

} // namespace corvane::OverlayGeometry
