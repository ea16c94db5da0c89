// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/DecoderProcess.h"

#include "editor/DecodedPictureWire.h"
#include "process/HelperProcess.h"

#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace corvane {

namespace {

std::vector<std::string> helperArguments(const DecodeLimits& limits)
{
    return {decoderHelperSwitch, std::to_string(limits.memoryBytes), std::to_string(limits.cpuTime.count()),
            std::to_string(limits.maxSide), std::to_string(limits.maxPixels)};
}

struct Mapping {
    void* address;
    size_t length;
};

void unmap(void* info)
{
    auto* mapping = static_cast<Mapping*>(info);
    ::munmap(mapping->address, mapping->length);
    delete mapping;
}

// The picture in the memory file, mapped rather than copied; nothing unless every field agrees with
// the file's size and the limits.
std::optional<DecodedPicture> readPicture(int memory, const DecodeLimits& limits)
{
    const auto header = readWireHeader<DecodedPictureWire>(memory);
    if (!header)
        return std::nullopt;
    const auto& [wire, fileSize] = *header;
    const qint64 width = wire.width;
    const qint64 height = wire.height;
    if (width <= 0 || height <= 0 || width > limits.maxSide || height > limits.maxSide ||
        width * height > limits.maxPixels || wire.bytesPerLine < width * 4 || wire.bytesPerLine % 4 != 0 ||
        wire.bytesPerLine > width * 4 + 64 || !(wire.scale >= 1 && wire.scale <= 64))
        return std::nullopt;
    if (fileSize != qint64(sizeof wire) + height * wire.bytesPerLine)
        return std::nullopt;
    QImage::Format format = QImage::Format_Invalid;
    switch (wire.format) {
    case DecodedPictureWire::rgb32:
        format = QImage::Format_RGB32;
        break;
    case DecodedPictureWire::argb32Premultiplied:
        format = QImage::Format_ARGB32_Premultiplied;
        break;
    default:
        return std::nullopt;
    }
    const auto length = static_cast<size_t>(fileSize);
    void* address = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, memory, 0);
    if (address == MAP_FAILED)
        return std::nullopt;
    // Read-only pixels: a QImage made over const data copies itself before anything changes it.
    const auto* pixels = static_cast<const uchar*>(address) + sizeof wire;
    QImage image(pixels, int(width), int(height), int(wire.bytesPerLine), format, unmap,
                 new Mapping{address, length});
    if (image.isNull()) {
        ::munmap(address, length);
        return std::nullopt;
    }
    return DecodedPicture{image, wire.scale};
}

} // namespace

HelperProcessDecoder::HelperProcessDecoder(QByteArray executable)
    : m_executable(std::move(executable))
{}

std::optional<DecodedPicture> HelperProcessDecoder::decode(int fd, const DecodeLimits& limits) const
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return std::nullopt;
    std::optional<HelperProcess> helper = HelperProcess::start(m_executable, helperArguments(limits), fd);
    if (!helper || !helper->finishedWell(limits.wallTime))
        return std::nullopt;
    return readPicture(helper->output(), limits);
}

} // namespace corvane
