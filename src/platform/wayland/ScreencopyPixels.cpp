// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/ScreencopyPixels.h"

#include <QTransform>

#include <cstring>

namespace corvane::wayland {
namespace {

// wl_shm format codes: the two classic ones are 0 and 1, every other is its DRM fourcc.
constexpr std::uint32_t fourcc(char a, char b, char c, char d)
{
    return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 |
           std::uint32_t(std::uint8_t(c)) << 16 | std::uint32_t(std::uint8_t(d)) << 24;
}
constexpr std::uint32_t argb8888 = 0;
constexpr std::uint32_t xrgb8888 = 1;
constexpr std::uint32_t abgr8888 = fourcc('A', 'B', '2', '4');
constexpr std::uint32_t xbgr8888 = fourcc('X', 'B', '2', '4');
constexpr std::uint32_t rgba8888 = fourcc('R', 'A', '2', '4');
constexpr std::uint32_t rgbx8888 = fourcc('R', 'X', '2', '4');
constexpr std::uint32_t bgra8888 = fourcc('B', 'A', '2', '4');
constexpr std::uint32_t bgrx8888 = fourcc('B', 'X', '2', '4');
constexpr std::uint32_t xrgb2101010 = fourcc('X', 'R', '3', '0');
constexpr std::uint32_t argb2101010 = fourcc('A', 'R', '3', '0');
constexpr std::uint32_t xbgr2101010 = fourcc('X', 'B', '3', '0');
constexpr std::uint32_t abgr2101010 = fourcc('A', 'B', '3', '0');
constexpr std::uint32_t rgb565 = fourcc('R', 'G', '1', '6');
constexpr std::uint32_t rgb888 = fourcc('R', 'G', '2', '4');
constexpr std::uint32_t bgr888 = fourcc('B', 'G', '2', '4');

int bytesPerPixel(std::uint32_t format)
{
    switch (format) {
    case argb8888: case xrgb8888: case abgr8888: case xbgr8888: case rgba8888: case rgbx8888:
    case bgra8888: case bgrx8888: case xrgb2101010: case argb2101010: case xbgr2101010: case abgr2101010:
        return 4;
    case rgb888: case bgr888:
        return 3;
    case rgb565:
        return 2;
    default:
        return 0;
    }
}

// Every format is little-endian: the value of a pixel is read from its bytes lowest first.
std::uint32_t readPixel(const unsigned char* p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

QRgb opaque(std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return qRgb(int(r), int(g), int(b));
}

// The output is opaque whatever the alpha channel says: a compositor may leave it 0.
QRgb toRgb(std::uint32_t v, std::uint32_t format)
{
    switch (format) {
    case argb8888: case xrgb8888:
        return opaque(v >> 16 & 0xff, v >> 8 & 0xff, v & 0xff);
    case abgr8888: case xbgr8888:
        return opaque(v & 0xff, v >> 8 & 0xff, v >> 16 & 0xff);
    case rgba8888: case rgbx8888:
        return opaque(v >> 24 & 0xff, v >> 16 & 0xff, v >> 8 & 0xff);
    case bgra8888: case bgrx8888:
        return opaque(v >> 8 & 0xff, v >> 16 & 0xff, v >> 24 & 0xff);
    case xrgb2101010: case argb2101010:
        return opaque(v >> 22 & 0xff, v >> 12 & 0xff, v >> 2 & 0xff);
    case xbgr2101010: case abgr2101010:
        return opaque(v >> 2 & 0xff, v >> 12 & 0xff, v >> 22 & 0xff);
    case rgb888:
        return opaque(v >> 16 & 0xff, v >> 8 & 0xff, v & 0xff);
    case bgr888:
        return opaque(v & 0xff, v >> 8 & 0xff, v >> 16 & 0xff);
    case rgb565: {
        const std::uint32_t r = v >> 11 & 0x1f, g = v >> 5 & 0x3f, b = v & 0x1f;
        return opaque(r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2);
    }
    default:
        return qRgb(0, 0, 0);
    }
}

QImage upright(const QImage& image, int transform)
{
    if (transform <= 0 || transform > 7)
        return image;
    // The compositor mirrors (4-7) and then turns the picture counter-clockwise; undone in reverse.
    QTransform turn;
    turn.rotate(90.0 * (transform % 4));
    QImage result = image.transformed(turn);
    if (transform >= 4)
        result = result.mirrored(true, false);
    return result;
}

} // namespace

bool readableFormat(std::uint32_t format)
{
    return bytesPerPixel(format) != 0;
}

QImage frameToImage(const unsigned char* data, std::size_t size, const FrameLayout& layout)
{
    const int bytes = bytesPerPixel(layout.format);
    if (bytes == 0 || layout.width <= 0 || layout.height <= 0 || layout.stride < 0 ||
        qint64(layout.stride) < qint64(layout.width) * bytes ||
        quint64(layout.stride) * quint64(layout.height) > size)
        return {};
    QImage image(layout.width, layout.height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < layout.height; ++y) {
        const int sourceRow = layout.yInverted ? layout.height - 1 - y : y;
        const unsigned char* in = data + std::size_t(sourceRow) * std::size_t(layout.stride);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (layout.format == xrgb8888 || layout.format == argb8888) {
            // The canvas's own layout: one copy, then the alpha byte set.
            std::memcpy(out, in, std::size_t(layout.width) * 4);
            for (int x = 0; x < layout.width; ++x)
                out[x] |= 0xff000000u;
            continue;
        }
        for (int x = 0; x < layout.width; ++x)
            out[x] = toRgb(readPixel(in + std::size_t(x) * std::size_t(bytes), bytes), layout.format);
    }
    return upright(image, layout.transform);
}

QImage atDeviceSize(const QImage& frame, QSize logicalSize, double scale)
{
    const QSize device(int(logicalSize.width() * scale), int(logicalSize.height() * scale));
    if (frame.isNull() || frame.size() == device || device.isEmpty())
        return frame;
    return frame.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

std::vector<std::optional<std::size_t>> pairScreensWithOutputs(const std::vector<ScreenIdentity>& screens,
                                                               const std::vector<OutputIdentity>& outputs)
{
    std::vector<std::optional<std::size_t>> pairs(screens.size());
    std::vector<bool> taken(outputs.size(), false);
    for (std::size_t s = 0; s < screens.size(); ++s) {
        for (std::size_t o = 0; o < outputs.size(); ++o) {
            if (!taken[o] && !outputs[o].name.isEmpty() && outputs[o].name == screens[s].name) {
                pairs[s] = o;
                taken[o] = true;
                break;
            }
        }
    }
    for (std::size_t s = 0; s < screens.size(); ++s) {
        if (pairs[s])
            continue;
        std::optional<std::size_t> found;
        int candidates = 0;
        for (std::size_t o = 0; o < outputs.size(); ++o) {
            if (taken[o] || outputs[o].logicalPosition != screens[s].topLeft)
                continue;
            found = o;
            ++candidates;
        }
        // Two outputs at one place (mirrored) cannot be told apart: neither is guessed.
        if (candidates == 1) {
            pairs[s] = found;
            taken[*found] = true;
        }
    }
    return pairs;
}

} // namespace corvane::wayland
