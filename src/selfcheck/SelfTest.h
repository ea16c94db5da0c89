// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>

namespace corvane::SelfTest {

struct RGBA {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;
};

// Annotates a synthetic picture on a bare canvas, checks geometry, text measuring and undo, exports it
// as PNG to outputPath and checks the export's orientation. Prints one line per check to standard
// output and returns the exit status: 0 when all passed, 1 otherwise.
int run(const QString& outputPath);

// Flattens a red/blue corner marker through a canvas and checks that it stays upright; returns the
// number of failed checks (0, 1 or 2).
int orientationCheck();

// 64 x 48 style marker: white, a 16 x 16 red square at the top-left, a blue one at the bottom-right.
std::optional<QImage> orientationMarker(int width, int height);

// The pixel at (x, y), rows counted from the top, un-premultiplied, as 8-bit components; all zero when
// the position is outside the picture.
RGBA sampleRGBA(const QImage& image, int x, int y);

} // namespace corvane::SelfTest
