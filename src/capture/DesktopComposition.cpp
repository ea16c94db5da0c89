// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/DesktopComposition.h"

#include <QPainter>
#include <cmath>

namespace corvane::DesktopComposition {

CaptureResult compose(const std::vector<DisplayShot>& shots)
{
    if (shots.empty())
        return {};
    QRectF layout;
    double ratio = 1;
    for (const DisplayShot& shot : shots) {
        layout = layout.united(shot.frame);
        ratio = std::max(ratio, shot.scale);
    }
    const auto place = [&](const QRectF& frame) {
        return QRectF((frame.topLeft() - layout.topLeft()) * ratio, frame.size() * ratio).toAlignedRect();
    };
    QImage canvas(place(layout).size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const DisplayShot& shot : shots) {
        const QRect target = place(shot.frame);
        const double enlargement = double(target.width()) / shot.image.width();
        const bool whole = enlargement == std::floor(enlargement);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, !whole);
        painter.drawImage(target, shot.image);
    }
    painter.end();
    return {canvas, ratio, layout};
}

} // namespace corvane::DesktopComposition
