// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace corvane::wayland {

// What the compositor says about one frame it copied into our shared memory.
struct FrameLayout {
    std::uint32_t format = 0; // a wl_shm format code
    int width = 0;
    int height = 0;
    int stride = 0; // bytes per row, which may exceed width times the pixel size
    bool yInverted = false; // row 0 of the buffer is the bottom of the output
    // The output's wl_output transform (0 normal, 1-3 turned by 90, 180, 270 degrees, 4-7 the same
    // mirrored): the frame comes as the device scans it out, and is turned back upright here.
    int transform = 0;
};

// The frame in the canvas's format (QImage::Format_RGB32, opaque), upright, row 0 at the top; a null image for a
// pixel format we cannot read or a layout that does not fit in `size` bytes.
QImage frameToImage(const unsigned char* data, std::size_t size, const FrameLayout& layout);

// The frame at the screen's device-pixel size (Qt's logical size times its scale, truncated). They
// differ where Qt rounds a fractional output scale up to the next integer: the frame, at the output's
// real resolution, is then resampled, as the canvas expects the screen's device pixels.
QImage atDeviceSize(const QImage& frame, QSize logicalSize, double scale);

// Whether frameToImage reads this wl_shm format.
bool readableFormat(std::uint32_t format);

// One output as the compositor describes it: its name (xdg-output or wl_output v4; empty when the
// compositor gives none) and its top-left in the layout, in logical pixels.
struct OutputIdentity {
    QString name;
    std::optional<QPoint> logicalPosition;
};

// One screen as Qt knows it.
struct ScreenIdentity {
    QString name;
    QPoint topLeft;
};

// For each screen, the index of its output: the one of the same name, else the one alone at the
// screen's position (a compositor that names no output; an X11 client on XWayland, whose screens have
// the X server's names). No output is given to two screens.
std::vector<std::optional<std::size_t>> pairScreensWithOutputs(const std::vector<ScreenIdentity>& screens,
                                                               const std::vector<OutputIdentity>& outputs);

} // namespace corvane::wayland
