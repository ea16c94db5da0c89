// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <chrono>
#include <optional>

class QIODevice;

namespace corvane {

// What decoding one picture may cost. The pixel budget holds wherever the decoding runs; memory and
// time hold only in a process of its own, where the system can enforce them.
struct DecodeLimits {
    int maxSide = 16384;
    qint64 maxPixels = 268'435'456;
    // Address space the decoder may take beyond what it holds when it starts decoding. The largest
    // picture admitted is 1 GB at four bytes a pixel; a grey one needs its RGB32 copy besides.
    qint64 memoryBytes = qint64(1536) << 20;
    std::chrono::seconds cpuTime{20};
    std::chrono::milliseconds wallTime{30000};

    friend bool operator==(const DecodeLimits&, const DecodeLimits&) = default;
};

struct DecodedPicture {
    QImage image;     // upright, RGB32, or ARGB32 premultiplied when it has transparency
    double scale = 1; // pixels per point, from the resolution the file records
};

// Decodes the picture in an open, readable regular file within the limits, or nothing for a file that
// is damaged, hostile, over the budget, or takes too long. The descriptor stays the caller's.
class PictureDecoder {
public:
    virtual ~PictureDecoder() = default;
    virtual std::optional<DecodedPicture> decode(int fd, const DecodeLimits& limits) const = 0;
};

// Decodes in the calling process: for tests and the fuzzer. Only the pixel budget holds.
class InProcessDecoder : public PictureDecoder {
public:
    std::optional<DecodedPicture> decode(int fd, const DecodeLimits& limits) const override;
};

// The decoding itself, from whatever device holds the file's bytes; both decoders end here.
std::optional<DecodedPicture> decodePicture(QIODevice& device, const DecodeLimits& limits);

} // namespace corvane
