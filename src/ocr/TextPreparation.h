// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QList>
#include <QString>

namespace corvane {

// Screenshots are small-font, high-contrast and exactly aligned, unlike the scanned pages recognisers
// are trained on. The picture becomes greyscale, dark on light (a mostly dark picture is inverted),
// twice as large when it comes from a ratio-1 monitor and its lines of text are under 12 pixels high
// (larger text reads as well without, in two thirds of the time), with a margin of background around
// it. Its resolution (dots per metre) says how large the text is drawn: 96 dpi for ratio 1, unenlarged.
QImage prepareForRecognition(const QImage& image, double scale);

// A prepared picture of many lines cut in two at the blank band of rows that shares its ink most
// evenly, so that two recognisers can read it side by side; each part keeps the margin of the whole.
// Just the picture when it has fewer lines or no such band.
struct RecognitionParts {
    QList<QImage> parts;
    bool paragraphBetween = false; // the band cut through is taller than a line of the text
};
RecognitionParts splitForRecognition(const QImage& prepared);

// The recognised text as it goes to the clipboard: no trailing spaces on a line, at most one empty
// line between paragraphs, none at either end.
QString tidyRecognizedText(const QString& text);

// Lines with something on them.
int countTextLines(const QString& text);

} // namespace corvane
