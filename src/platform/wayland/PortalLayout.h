// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

namespace corvane::wayland {

// One monitor as the compositor lays it out: its rectangle in logical pixels (QScreen::geometry()) and
// its device pixels per logical pixel.
struct OutputPlacement {
    QRect geometry;
    double scale = 1;
};

// Where one monitor's pixels lie in the whole-layout picture, and the size its own picture must have.
struct LayoutCut {
    QRect source; // pixels of the whole-layout picture
    QSize size;   // the monitor's device pixels

    bool operator==(const LayoutCut&) const = default;
};

// The screenshot portal answers with one picture of the whole layout: the outputs' bounding box at
// the highest scale among them, so an output at a lower scale is enlarged in it. For each output, in
// order, where it lies in a picture of `pictureSize`; nothing for an output the picture does not wholly
// cover (an output that appeared after the picture was taken, a picture cut short). The picture's
// density is read from its size when its proportions are the layout's, else taken as the highest scale.
std::vector<std::optional<LayoutCut>> layoutCuts(QSize pictureSize,
                                                 const std::vector<OutputPlacement>& outputs);

// The monitor's picture at its device-pixel size, opaque: the source area brought back down to the
// monitor's own pixel density where the portal enlarged it.
QImage cutOut(const QImage& whole, const LayoutCut& cut);

} // namespace corvane::wayland
