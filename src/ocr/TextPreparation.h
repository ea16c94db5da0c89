// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

namespace corvane {

// Screenshots are small-font, high-contrast and exactly aligned, unlike the scanned pages recognisers
// are trained on. The picture becomes greyscale, dark on light (a mostly dark picture is inverted),
// twice as large when it comes from a ratio-1 monitor, with a margin of its own background around it.
QImage prepareForRecognition(const QImage& image, double scale);

// The recognised text as it goes to the clipboard: no trailing spaces on a line, at most one empty
// line between paragraphs, none at either end.
QString tidyRecognizedText(const QString& text);

// Lines with something on them.
int countTextLines(const QString& text);

} // namespace corvane
