// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <optional>

namespace corvane::SampleImage {

// A synthetic, screenshot-like picture of width x height pixels: a dark blue-violet gradient running
// from the top-left towards the bottom-right, a light panel in the upper left, a dark panel on the
// right and a blue panel along the lower middle. Nothing when no picture of that size can be made.
std::optional<QImage> make(int width, int height);

} // namespace corvane::SampleImage
