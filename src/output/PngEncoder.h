// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

namespace corvane::PngEncoder {

// Whether encode() writes this picture itself: the 32-bit formats that grabs and the canvas produce,
// without a colour profile. Every other picture goes through Qt's writer, which knows them all.
bool supports(const QImage& image);

// PNG bytes of a supported picture: 8-bit RGB when the format has no alpha channel, RGBA otherwise
// (straight, not premultiplied), recording DOTS_PER_METRE in both directions. Rows are filtered with
// the cheaper of Sub and Up and compressed with a fast deflate, in pieces on several threads for a
// big picture. Nothing for a null or unsupported picture.
std::optional<QByteArray> encode(const QImage& image, int dotsPerMetre);

} // namespace corvane::PngEncoder
