// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ocr/TextPreparation.h"

#include <QMargins>
#include <QRect>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace corvane {

namespace {

// Below this many device pixels per logical pixel the text is drawn for a ratio-1 monitor.
constexpr double largeEnoughScale = 1.5;
// Lines of text lower than this (ink from the top of the tallest letter to the bottom of the
// lowest) are enlarged before recognition: 14-pixel DejaVu Sans reads as well without.
constexpr int smallLineHeight = 12;
// A line of text touching the picture's edge is often lost without some background around it.
constexpr int margin = 12;
// Lines of columns side by side are told apart in strips about this wide.
constexpr int stripWidth = 256;
// Fewer lines than this are read faster by one recogniser than by two that each start up.
constexpr int linesWorthSplitting = 16;
constexpr uchar inkBelow = 128;
constexpr double dotsPerMetreAt96 = 96 / 0.0254;

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

// Ink pixels in each row of dark-on-light GREY, between columns LEFT and RIGHT.
std::vector<int> inkPerRow(const QImage& grey, int left, int right)
{
    std::vector<int> ink(size_t(grey.height()));
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        ink[size_t(y)] = int(std::count_if(row + left, row + right, [](uchar v) { return v < inkBelow; }));
    }
    return ink;
}

// The heights of the runs of rows holding ink.
void appendRuns(const std::vector<int>& ink, std::vector<int>& heights)
{
    int run = 0;
    for (const int count : ink) {
        if (count > 0) {
            ++run;
        } else if (run > 0) {
            heights.push_back(run);
            run = 0;
        }
    }
    if (run > 0)
        heights.push_back(run);
}

int median(std::vector<int> values)
{
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The usual height of a line of text (0 without any ink), measured in strips a few words wide so
// that lines of columns side by side at other heights stay apart.
int typicalLineHeight(const QImage& grey)
{
    std::vector<int> heights;
    for (int left = 0; left < grey.width(); left += stripWidth)
        appendRuns(inkPerRow(grey, left, std::min(grey.width(), left + stripWidth)), heights);
    return median(std::move(heights));
}

// AREA of GREY with MARGINS of white around it.
QImage framed(const QImage& grey, const QRect& area, const QMargins& margins)
{
    QImage result(area.width() + margins.left() + margins.right(), area.height() + margins.top() + margins.bottom(),
                  QImage::Format_Grayscale8);
    result.fill(255);
    for (int y = 0; y < area.height(); ++y)
        std::copy_n(grey.constScanLine(area.top() + y) + area.left(), area.width(),
                    result.scanLine(margins.top() + y) + margins.left());
    result.setDotsPerMeterX(grey.dotsPerMeterX());
    result.setDotsPerMeterY(grey.dotsPerMeterY());
    return result;
}

} // namespace

QImage prepareForRecognition(const QImage& image, double scale)
{
    if (image.isNull())
        return {};
    QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    if (mostlyDark(grey))
        grey.invertPixels();
    const int height = scale < largeEnoughScale ? typicalLineHeight(grey) : 0;
    const int factor = height > 0 && height < smallLineHeight ? 2 : 1;
    // Smooth enlargement: the recogniser reads grey edges better than doubled staircases.
    if (factor > 1)
        grey = grey.scaled(grey.size() * factor, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const int dotsPerMetre = int(dotsPerMetreAt96 * std::max(1.0, scale) * factor + 0.5);
    grey.setDotsPerMeterX(dotsPerMetre);
    grey.setDotsPerMeterY(dotsPerMetre);
    return framed(grey, grey.rect(), QMargins(margin, margin, margin, margin));
}

RecognitionParts splitForRecognition(const QImage& prepared)
{
    const std::vector<int> ink = inkPerRow(prepared, 0, prepared.width());
    std::vector<int> lines;
    appendRuns(ink, lines);
    if (int(lines.size()) < linesWorthSplitting)
        return {{prepared}, false};
    std::int64_t total = 0;
    for (const int count : ink)
        total += count;
    // The blank row with as much ink above it as below.
    std::int64_t above = 0;
    std::int64_t best = total;
    int cut = -1;
    for (int y = 0; y < int(ink.size()); ++y) {
        above += ink[size_t(y)];
        if (ink[size_t(y)] == 0 && above > 0 && above < total && std::abs(2 * above - total) < best) {
            best = std::abs(2 * above - total);
            cut = y;
        }
    }
    if (cut < 0)
        return {{prepared}, false};
    int top = cut;
    int bottom = cut;
    while (ink[size_t(top - 1)] == 0)
        --top;
    while (ink[size_t(bottom + 1)] == 0)
        ++bottom;
    const int middle = (top + bottom + 1) / 2;
    const int width = prepared.width();
    return {{framed(prepared, QRect(0, 0, width, middle), QMargins(0, 0, 0, margin)),
             framed(prepared, QRect(0, middle, width, prepared.height() - middle), QMargins(0, margin, 0, 0))},
            bottom - top + 1 > median(std::move(lines))};
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
