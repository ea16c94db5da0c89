// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ocr/TextPreparation.h"

#include <QStringList>
#include <algorithm>
#include <cstdint>

namespace corvane {

namespace {

// Below this many device pixels per logical pixel the text is drawn for a ratio-1 monitor.
constexpr double largeEnoughScale = 1.5;
// A line of text touching the picture's edge is often lost without some background around it.
constexpr int margin = 12;

// Most of the picture darker than the middle grey: light text on a dark background.
bool mostlyDark(const QImage& grey)
{
    std::int64_t dark = 0;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        dark += std::count_if(row, row + grey.width(), [](uchar v) { return v < 128; });
    }
    return dark * 2 > std::int64_t(grey.width()) * grey.height();
}

} // namespace

QImage prepareForRecognition(const QImage& image, double scale)
{
    if (image.isNull())
        return {};
    QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    if (mostlyDark(grey))
        grey.invertPixels();
    const int factor = scale < largeEnoughScale ? 2 : 1;
    // Smooth enlargement: the recogniser reads grey edges better than doubled staircases.
    if (factor > 1)
        grey = grey.scaled(grey.size() * factor, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage framed(grey.width() + 2 * margin, grey.height() + 2 * margin, QImage::Format_Grayscale8);
    framed.fill(255);
    for (int y = 0; y < grey.height(); ++y)
        std::copy_n(grey.constScanLine(y), grey.width(), framed.scanLine(y + margin) + margin);
    return framed;
}

QString tidyRecognizedText(const QString& text)
{
    QStringList lines;
    bool gap = false;
    for (QString line : text.split(QLatin1Char('\n'))) {
        // Tesseract ends a page with a form feed.
        line.remove(QLatin1Char('\f'));
        while (!line.isEmpty() && line.back().isSpace())
            line.chop(1);
        if (line.isEmpty()) {
            gap = !lines.isEmpty();
            continue;
        }
        if (gap)
            lines.append(QString());
        gap = false;
        lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

int countTextLines(const QString& text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    return int(std::count_if(lines.begin(), lines.end(), [](const QString& l) { return !l.trimmed().isEmpty(); }));
}

} // namespace corvane
