// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <vector>

namespace corvane::Redaction {

// Mosaics of small blocks can be read back by trying the fonts a screen uses, and averages carry the
// text's ink through. So blocks are large (at least 12 device pixels, a sixth of the region's shorter
// side for big regions) and every block's colour is moved away from its mean by fresh random noise
// that is never stored: two redactions of the same text differ, and none of them is its mean.
inline constexpr int minimumBlock = 12;
inline constexpr int minimumNoise = 16;
inline constexpr int maximumNoise = 48;

// The side of a block for a region of that size, in device pixels.
int blockSize(QSize region);

// Where the blocks along a side of `length` pixels start and end: as many blocks of at least `block`
// pixels as fit, of near-equal length, so no narrow sliver is left at the far edge. A side shorter
// than a block is one block.
std::vector<int> blockEdges(int length, int block);

// A channel's mean moved by `offset`, turned the other way when the move would be clipped at 0 or
// 255 to less than its size.
int noisy(int mean, int offset);

// The region of `picture` as blocks of mean colour plus fresh noise, the size of the region (clipped to
// the picture), opaque where the picture is. Null for an empty region.
QImage pixelated(const QImage& picture, const QRect& region);

} // namespace corvane::Redaction
