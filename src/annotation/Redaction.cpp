// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Redaction.h"

#include <QRandomGenerator>
#include <algorithm>
#include <array>
#include <cmath>

namespace corvane::Redaction {

int blockSize(QSize region)
{
    const int shorter = std::min(region.width(), region.height());
    return std::max(minimumBlock, (shorter + 5) / 6);
}

std::vector<int> blockEdges(int length, int block)
{
    const int count = std::max(1, length / std::max(block, 1));
    std::vector<int> edges;
    edges.reserve(static_cast<std::size_t>(count) + 1);
    for (int i = 0; i <= count; ++i)
        edges.push_back(static_cast<int>(static_cast<long long>(length) * i / count));
    return edges;
}

int noisy(int mean, int offset)
{
    const int moved = mean + offset;
    if (moved < 0 || moved > 255)
        return std::clamp(mean - offset, 0, 255);
    return moved;
}

namespace {

// A fresh offset of minimumNoise ... maximumNoise levels either way. The system generator reads the
// kernel's random source; nothing of it is kept after the call.
int freshOffset()
{
    QRandomGenerator* random = QRandomGenerator::system();
    const int size = minimumNoise + static_cast<int>(random->bounded(maximumNoise - minimumNoise + 1));
    return random->bounded(2) == 0 ? -size : size;
}

void fillBlock(QImage& tile, const QRect& block)
{
    std::array<quint64, 4> sum{};
    for (int y = block.top(); y <= block.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(tile.constScanLine(y));
        for (int x = block.left(); x <= block.right(); ++x) {
            sum[0] += static_cast<quint64>(qRed(line[x]));
            sum[1] += static_cast<quint64>(qGreen(line[x]));
            sum[2] += static_cast<quint64>(qBlue(line[x]));
            sum[3] += static_cast<quint64>(qAlpha(line[x]));
        }
    }
    const auto count = static_cast<quint64>(block.width()) * static_cast<quint64>(block.height());
    const auto mean = [&](std::size_t channel) {
        return static_cast<int>((sum[channel] + count / 2) / count);
    };
    const QRgb colour = qRgba(noisy(mean(0), freshOffset()), noisy(mean(1), freshOffset()),
                              noisy(mean(2), freshOffset()), mean(3));
    for (int y = block.top(); y <= block.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(tile.scanLine(y));
        std::fill(line + block.left(), line + block.right() + 1, colour);
    }
}

} // namespace

QImage pixelated(const QImage& picture, const QRect& region)
{
    const QRect clipped = region.intersected(picture.rect());
    if (clipped.isEmpty())
        return {};
    QImage tile = picture.copy(clipped).convertToFormat(QImage::Format_ARGB32);
    if (tile.isNull())
        return {};
    const int block = blockSize(clipped.size());
    const std::vector<int> columns = blockEdges(clipped.width(), block);
    const std::vector<int> rows = blockEdges(clipped.height(), block);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        for (std::size_t c = 1; c < columns.size(); ++c)
            fillBlock(tile, QRect(QPoint(columns[c - 1], rows[r - 1]), QPoint(columns[c] - 1, rows[r] - 1)));
    }
    return tile;
}

} // namespace corvane::Redaction
