// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/PngEncoder.h"

#include "output/DeflateJoin.h"

#include <QColorSpace>
#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace corvane::PngEncoder {

namespace {

// Level 2 is the fastest whose files stay within a few percent of zlib's default with every filter
// tried; level 1 loses about two percent more on screenshots, higher levels cost far more time
// than they save bytes.
constexpr int kDeflateLevel = 2;
// libpng writes IDAT chunks of 8 KB; bigger ones are as valid and cost fewer headers.
constexpr qsizetype kIdatChunk = 1 << 20;

enum Filter : std::uint8_t { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

void putU32(QByteArray& out, std::uint32_t value)
{
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    out.append(bytes, 4);
}

void putChunk(QByteArray& out, const char type[4], const std::uint8_t* data, qsizetype size)
{
    putU32(out, std::uint32_t(size));
    const qsizetype start = out.size();
    out.append(type, 4);
    if (size > 0)
        out.append(reinterpret_cast<const char*>(data), size);
    putU32(out, libdeflate_crc32(0, out.constData() + start, size_t(out.size() - start)));
}

// One row of the picture as PNG samples: R G B, or R G B A from straight (not premultiplied) pixels.
void rowSamples(const QImage& image, int y, bool alpha, std::uint8_t* out)
{
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    const int width = image.width();
    if (!alpha) {
        for (int x = 0; x < width; ++x) {
            const QRgb p = pixels[x];
            out[0] = std::uint8_t(qRed(p));
            out[1] = std::uint8_t(qGreen(p));
            out[2] = std::uint8_t(qBlue(p));
            out += 3;
        }
        return;
    }
    for (int x = 0; x < width; ++x) {
        const QRgb p = pixels[x];
        out[0] = std::uint8_t(qRed(p));
        out[1] = std::uint8_t(qGreen(p));
        out[2] = std::uint8_t(qBlue(p));
        out[3] = std::uint8_t(qAlpha(p));
        out += 4;
    }
}

// The PNG predictors, written without branches so that the compiler turns the loops below into
// vector code: every filter reads only unfiltered bytes, so no byte depends on the one before.
inline int paethPredictor(int a, int b, int c)
{
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int bOrC = pb <= pc ? b : c;
    return pa <= pb && pa <= pc ? a : bOrC;
}

inline int magnitude(int filtered)
{
    return std::abs(int(std::int8_t(std::uint8_t(filtered))));
}

// Sums of the filtered bytes' magnitudes (as signed bytes) under each filter, for bytes [from, to).
// The left neighbours of the first BPP bytes of a row are zero; FROM and TO keep that case apart.
template <bool Left>
void addCosts(const std::uint8_t* row, const std::uint8_t* above, qsizetype from, qsizetype to, int bpp,
              std::array<std::uint64_t, 5>& cost)
{
    std::uint32_t none = 0, sub = 0, up = 0, average = 0, paeth = 0;
    for (qsizetype i = from; i < to; ++i) {
        const int x = row[i];
        const int a = Left ? row[i - bpp] : 0;
        const int b = above[i];
        const int c = Left ? above[i - bpp] : 0;
        none += std::uint32_t(magnitude(x));
        sub += std::uint32_t(magnitude(x - a));
        up += std::uint32_t(magnitude(x - b));
        average += std::uint32_t(magnitude(x - ((a + b) >> 1)));
        paeth += std::uint32_t(magnitude(x - paethPredictor(a, b, c)));
    }
    cost[None] += none;
    cost[Sub] += sub;
    cost[Up] += up;
    cost[Average] += average;
    cost[Paeth] += paeth;
}

template <Filter F, bool Left>
void apply(const std::uint8_t* row, const std::uint8_t* above, qsizetype from, qsizetype to, int bpp,
           std::uint8_t* out)
{
    for (qsizetype i = from; i < to; ++i) {
        const int x = row[i];
        const int a = Left ? row[i - bpp] : 0;
        const int b = above[i];
        const int c = Left ? above[i - bpp] : 0;
        int predicted = 0;
        if constexpr (F == Sub)
            predicted = a;
        else if constexpr (F == Up)
            predicted = b;
        else if constexpr (F == Average)
            predicted = (a + b) >> 1;
        else if constexpr (F == Paeth)
            predicted = paethPredictor(a, b, c);
        out[i] = std::uint8_t(x - predicted);
    }
}

template <Filter F>
void applyRow(const std::uint8_t* row, const std::uint8_t* above, qsizetype n, int bpp, std::uint8_t* out)
{
    apply<F, false>(row, above, 0, std::min<qsizetype>(bpp, n), bpp, out);
    apply<F, true>(row, above, bpp, n, bpp, out);
}

// Writes the filter type byte and the filtered row to OUT (1 + N bytes), with the filter whose
// output has the smallest sum of magnitudes: the rule libpng's adaptive filtering uses.
void filterRow(const std::uint8_t* row, const std::uint8_t* above, qsizetype n, int bpp, std::uint8_t* out)
{
    std::array<std::uint64_t, 5> cost{};
    addCosts<false>(row, above, 0, std::min<qsizetype>(bpp, n), bpp, cost);
    addCosts<true>(row, above, bpp, n, bpp, cost);
    const auto best = Filter(std::min_element(cost.begin(), cost.end()) - cost.begin());
    out[0] = best;
    switch (best) {
    case None:
        std::memcpy(out + 1, row, size_t(n));
        break;
    case Sub:
        applyRow<Sub>(row, above, n, bpp, out + 1);
        break;
    case Up:
        applyRow<Up>(row, above, n, bpp, out + 1);
        break;
    case Average:
        applyRow<Average>(row, above, n, bpp, out + 1);
        break;
    case Paeth:
        applyRow<Paeth>(row, above, n, bpp, out + 1);
        break;
    }
}

// Filters rows [first, last) into OUT, which holds 1 + ROW_BYTES bytes per row of the whole picture.
void filterRows(const QImage& image, bool alpha, int first, int last, std::uint8_t* out)
{
    const int bpp = alpha ? 4 : 3;
    const qsizetype rowBytes = qsizetype(image.width()) * bpp;
    std::vector<std::uint8_t> above(static_cast<size_t>(rowBytes), 0);
    std::vector<std::uint8_t> row(static_cast<size_t>(rowBytes));
    if (first > 0)
        rowSamples(image, first - 1, alpha, above.data());
    for (int y = first; y < last; ++y) {
        rowSamples(image, y, alpha, row.data());
        filterRow(row.data(), above.data(), rowBytes, bpp, out + qsizetype(y) * (rowBytes + 1));
        std::swap(row, above);
    }
}

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// One band of rows, filtered and compressed on its own thread into raw deflate that the next band's
// stream can follow (all but the last band are made joinable).
struct Piece {
    int firstRow = 0;
    int lastRow = 0;
    bool last = false;
    std::vector<std::uint8_t> deflated;
    bool ok = false;
};

void compressPieceOrThrow(const QImage& image, bool alpha, std::uint8_t* filtered, qsizetype rowBytes,
                          Piece& piece)
{
    filterRows(image, alpha, piece.firstRow, piece.lastRow, filtered);
    std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(
        libdeflate_alloc_compressor(kDeflateLevel));
    if (!compressor)
        return;
    const std::uint8_t* input = filtered + qsizetype(piece.firstRow) * (rowBytes + 1);
    const size_t inputSize = size_t(qsizetype(piece.lastRow - piece.firstRow) * (rowBytes + 1));
    // Screenshots shrink to a fifth or less; room for a third saves tens of megabytes at the peak,
    // and only a picture that does not compress pays for a second try with the worst case.
    std::vector<std::uint8_t> raw;
    size_t size = 0;
    for (const size_t room : {inputSize / 3 + 4096, libdeflate_deflate_compress_bound(compressor.get(), inputSize)}) {
        raw.resize(room + 8); // the joiner reads up to 8 bytes ahead
        size = libdeflate_deflate_compress(compressor.get(), input, inputSize, raw.data(), room);
        if (size != 0)
            break;
    }
    if (size == 0)
        return;
    if (piece.last) {
        raw.resize(size);
        piece.deflated = std::move(raw);
        piece.ok = true;
        return;
    }
    piece.ok = DeflateJoin::makeJoinable(raw.data(), size, piece.deflated);
}

// Runs on worker threads, where an exception would end the program: running out of memory for a
// 4K picture's buffers is a failed save, reported like any other.
void compressPiece(const QImage& image, bool alpha, std::uint8_t* filtered, qsizetype rowBytes, Piece& piece)
{
    try {
        compressPieceOrThrow(image, alpha, filtered, rowBytes, piece);
    } catch (const std::bad_alloc&) {
        piece.ok = false;
    }
}

// The zlib stream of the filtered picture: a 2-byte header, the pieces' deflate data in order, the
// Adler-32 of everything. Empty on failure.
std::vector<std::uint8_t> compressImage(const QImage& image, bool alpha)
{
    const int height = image.height();
    const qsizetype rowBytes = qsizetype(image.width()) * (alpha ? 4 : 3);
    const size_t filteredSize = size_t((rowBytes + 1) * height);
    std::unique_ptr<std::uint8_t[]> filtered(new (std::nothrow) std::uint8_t[filteredSize]);
    if (!filtered)
        return {};
    // Bands of about a megabyte of samples, taken in turn by a thread per core: a core that another
    // program holds for a while then delays one band, not half the picture. Each band costs a few
    // hundred bytes of compression (the history does not cross bands), nothing against a
    // megabyte-sized file.
    const int cores = std::clamp(int(std::thread::hardware_concurrency()), 1, 8);
    const int pieces = std::clamp(int(filteredSize / (1u << 20)), 1, std::min(height, 4 * cores));
    std::vector<Piece> parts(static_cast<size_t>(pieces));
    for (int i = 0; i < pieces; ++i) {
        parts[size_t(i)].firstRow = height * i / pieces;
        parts[size_t(i)].lastRow = height * (i + 1) / pieces;
        parts[size_t(i)].last = i + 1 == pieces;
    }
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t i = next++; i < parts.size(); i = next++)
            compressPiece(image, alpha, filtered.get(), rowBytes, parts[i]);
    };
    std::vector<std::thread> workers;
    for (int i = 1; i < std::min(cores, pieces); ++i) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // no thread to be had: this one takes every band, which is as valid
        }
    }
    work();
    for (std::thread& worker : workers)
        worker.join();

    std::vector<std::uint8_t> stream = {0x78, 0x5e}; // deflate, 32 KB window, "fast" level
    for (const Piece& part : parts) {
        if (!part.ok)
            return {};
        stream.insert(stream.end(), part.deflated.begin(), part.deflated.end());
    }
    const std::uint32_t adler = libdeflate_adler32(1, filtered.get(), filteredSize);
    for (int shift = 24; shift >= 0; shift -= 8)
        stream.push_back(std::uint8_t(adler >> shift));
    return stream;
}

} // namespace

bool supports(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        // Qt's writer records a colour profile and text entries; keep such pictures on that path.
        return !image.isNull() && !image.colorSpace().isValid() && image.textKeys().isEmpty();
    default:
        return false;
    }
}

namespace {

std::optional<QByteArray> encodeOrThrow(const QImage& picture, int dotsPerMetre)
{
    if (!supports(picture))
        return std::nullopt;
    // Qt's own conversion, so that the file holds what Qt's writer would have written (its rounding
    // differs from qUnpremultiply's in the last bit).
    const QImage image = picture.format() == QImage::Format_ARGB32_Premultiplied
                             ? picture.convertToFormat(QImage::Format_ARGB32)
                             : picture;
    const bool alpha = image.hasAlphaChannel();
    const std::vector<std::uint8_t> compressed = compressImage(image, alpha);
    if (compressed.empty())
        return std::nullopt;
    const qsizetype compressedSize = qsizetype(compressed.size());

    QByteArray out;
    out.reserve(compressedSize + 128);
    out.append("\x89PNG\r\n\x1a\n", 8);

    std::uint8_t header[13];
    const auto be32 = [](std::uint8_t* at, std::uint32_t v) {
        at[0] = std::uint8_t(v >> 24);
        at[1] = std::uint8_t(v >> 16);
        at[2] = std::uint8_t(v >> 8);
        at[3] = std::uint8_t(v);
    };
    be32(header, std::uint32_t(image.width()));
    be32(header + 4, std::uint32_t(image.height()));
    header[8] = 8;                  // bits per sample
    header[9] = alpha ? 6 : 2;      // RGBA or RGB
    header[10] = header[11] = header[12] = 0; // deflate, adaptive filtering, no interlace
    putChunk(out, "IHDR", header, sizeof header);

    std::uint8_t physical[9];
    be32(physical, std::uint32_t(dotsPerMetre));
    be32(physical + 4, std::uint32_t(dotsPerMetre));
    physical[8] = 1; // the unit is the metre
    putChunk(out, "pHYs", physical, sizeof physical);

    for (qsizetype at = 0; at < compressedSize; at += kIdatChunk)
        putChunk(out, "IDAT", compressed.data() + at, std::min(kIdatChunk, compressedSize - at));
    putChunk(out, "IEND", nullptr, 0);
    return out;
}

} // namespace

std::optional<QByteArray> encode(const QImage& picture, int dotsPerMetre)
{
    // Errors are values here: a picture too big for the memory left is a failed save, not a crash.
    try {
        return encodeOrThrow(picture, dotsPerMetre);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

} // namespace corvane::PngEncoder
