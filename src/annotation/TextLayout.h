// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "annotation/Annotation.h"

#include <QTextDocument>
#include <memory>

namespace corvane::TextLayout {

// Gives a document the font, colour-independent options and zero margin of a text annotation. The canvas
// draws and measures with such a document and the in-place editor shows one configured the same way, so
// typed text and drawn text break their lines at the same places.
void configure(QTextDocument& document, const Annotation::TextStyle& style);

// A document holding the style's text, laid out at the given width (pixels).
std::unique_ptr<QTextDocument> laidOut(const Annotation::TextStyle& style, double width);

// The system font in the medium weight at a pixel size (at least 1 pixel).
QFont mediumFont(double pixelSize);

} // namespace corvane::TextLayout
