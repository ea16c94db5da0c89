// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/EditorGeometry.h"

#include <algorithm>

namespace corvane {

EditorGeometry editorGeometry(QSize pixels, double scale, std::optional<QRectF> available)
{
    const QSizeF screen = available ? available->size() : QSizeF(1440, 900);
    const double s = std::max(scale, 1.0);
    const double pw = std::max(pixels.width() / s, 1e-9);
    const double ph = std::max(pixels.height() / s, 1e-9);

    const double fitW = 0.85 * screen.width() / pw;
    const double fitH = (0.85 * screen.height() - toolbarHeight) / ph;
    const double fit = fitH < fitW ? fitH : fitW;
    const double z = std::min(fit, 1.0);

    double width = fit < 1 ? pw * fit : pw;
    if (width <= minimumContentWidth)
        width = minimumContentWidth;
    return {QSizeF(width, ph * z + toolbarHeight), z / s};
}

} // namespace corvane
