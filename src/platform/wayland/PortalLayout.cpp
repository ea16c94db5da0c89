// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/PortalLayout.h"

#include <algorithm>
#include <cmath>

namespace corvane::wayland {
namespace {

// A monitor's picture is truncate(scale x logical size) pixels, as on X11; the small allowance keeps
// 1365 x 1.5 from landing a hair under 2047.5 and 300 x 2 from landing under 600.
int devicePixels(int logical, double scale)
{
    return int(std::floor(logical * scale + 1e-6));
}

// Edges rather than sizes are scaled and rounded, so neighbouring outputs share their seam exactly.
int pictureEdge(int logical, double scale)
{
    return int(std::lround(logical * scale));
}

} // namespace

std::vector<std::optional<LayoutCut>> layoutCuts(QSize pictureSize,
                                                 const std::vector<OutputPlacement>& outputs)
{
    std::vector<std::optional<LayoutCut>> cuts;
    if (outputs.empty())
        return cuts;
    QRect bounds;
    double highest = 0;
    for (const OutputPlacement& output : outputs) {
        bounds = bounds.united(output.geometry);
        highest = std::max(highest, output.scale);
    }
    // A picture of the whole layout tells its own density; Qt's scales can disagree with the
    // compositor's (an X11 client on XWayland sees every output at scale 1). A picture whose sides do not
    // keep the layout's proportions is not the whole layout, and the highest scale is the best guess.
    double xScale = highest, yScale = highest;
    if (!bounds.isEmpty() && !pictureSize.isEmpty()) {
        const double x = double(pictureSize.width()) / bounds.width();
        const double y = double(pictureSize.height()) / bounds.height();
        if (std::abs(x - y) * std::max(bounds.width(), bounds.height()) < 1) {
            xScale = x;
            yScale = y;
        }
    }
    const QRect picture(QPoint(0, 0), pictureSize);
    for (const OutputPlacement& output : outputs) {
        const QRect& geometry = output.geometry;
        const int left = pictureEdge(geometry.left() - bounds.left(), xScale);
        const int top = pictureEdge(geometry.top() - bounds.top(), yScale);
        const int right = pictureEdge(geometry.left() + geometry.width() - bounds.left(), xScale);
        const int bottom = pictureEdge(geometry.top() + geometry.height() - bounds.top(), yScale);
        const QRect source(left, top, right - left, bottom - top);
        const QSize size(devicePixels(geometry.width(), output.scale),
                         devicePixels(geometry.height(), output.scale));
        if (geometry.isEmpty() || size.isEmpty() || !picture.contains(source))
            cuts.emplace_back(std::nullopt);
        else
            cuts.emplace_back(LayoutCut{source, size});
    }
    return cuts;
}

QImage cutOut(const QImage& whole, const LayoutCut& cut)
{
    QImage part = whole.copy(cut.source);
    if (part.size() != cut.size)
        part = part.scaled(cut.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return part.convertToFormat(QImage::Format_RGB32);
}

} // namespace corvane::wayland
