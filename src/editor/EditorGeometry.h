// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <optional>

namespace corvane {

struct EditorGeometry {
    QSizeF contentSize;   // toolbar strip and view, in logical pixels
    double magnification; // screen pixels per image pixel, before the view clamps it
};

inline constexpr double toolbarHeight = 48;
inline constexpr double minimumContentWidth = 620;

// The first size of an editor window for a picture of `pixels` taken at `scale`, on a screen whose
// available area is `available` (1440 x 900 when there is no screen). The picture is shown whole when
// it fits in 85 % of the screen, and never larger than its size in points at first.
EditorGeometry editorGeometry(QSize pixels, double scale, std::optional<QRectF> available);

} // namespace corvane
