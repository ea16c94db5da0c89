// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/ScreencopyPixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvane::wayland {
namespace {

// wl_shm codes written out as the protocol lists them.
constexpr std::uint32_t argb8888 = 0;
constexpr std::uint32_t xrgb8888 = 1;
constexpr std::uint32_t xbgr8888 = 0x34324258;
constexpr std::uint32_t xrgb2101010 = 0x30335258;
constexpr std::uint32_t rgb565 = 0x36314752;
constexpr std::uint32_t bgr888 = 0x34324742;
constexpr std::uint32_t nv12 = 0x3231564e;

struct FrameCase {
    const char* what;
    FrameLayout layout;
    std::vector<unsigned char> bytes;
    std::vector<QRgb> expected; // row by row, top first; empty: refused
};

TEST(FrameToImageTest, ConvertsEachFormatToOpaqueRgbTopRowFirst)
{
    const FrameCase cases[] = {
        {"xrgb, alpha byte 0 made opaque", {xrgb8888, 2, 1, 8, false}, {0x30, 0x20, 0x10, 0x00, 0x01, 0x02, 0x03, 0x00},
         {0xff102030, 0xff030201}},
        {"argb, translucent made opaque", {argb8888, 1, 1, 4, false}, {0x30, 0x20, 0x10, 0x40}, {0xff102030}},
        {"xbgr: red in the lowest byte", {xbgr8888, 1, 1, 4, false}, {0x10, 0x20, 0x30, 0x00}, {0xff102030}},
        // 0x3ff for red (top bits 0xff), 0x200 for green (0x80), 0 for blue.
        {"10-bit channels keep their top 8 bits", {xrgb2101010, 1, 1, 4, false}, {0x00, 0x00, 0xf8, 0x3f}, {0xffff8000}},
        // 0xf800 is pure red, 0x07e0 pure green: full channels stay full.
        {"rgb565 widened", {rgb565, 2, 1, 4, false}, {0x00, 0xf8, 0xe0, 0x07}, {0xffff0000, 0xff00ff00}},
        {"bgr888: three bytes, red first", {bgr888, 1, 1, 4, false}, {0x10, 0x20, 0x30, 0x00}, {0xff102030}},
        {"padding at the end of each row skipped", {xrgb8888, 1, 2, 8, false},
         {0x01, 0x00, 0x00, 0x00, 0xaa, 0xaa, 0xaa, 0xaa, 0x02, 0x00, 0x00, 0x00, 0xbb, 0xbb, 0xbb, 0xbb},
         {0xff000001, 0xff000002}},
        {"y-inverted: the last row is the top",
         {xbgr8888, 1, 2, 4, true}, {1, 0, 0, 0, 2, 0, 0, 0}, {0xff020000, 0xff010000}},
        // A rotated output's frame comes as scanned out, A B / C D here; grim's pictures of such
        // outputs on sway are upright this way.
        {"turned by 90: turned back clockwise",
         {xrgb8888, 2, 2, 8, false, 1}, {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0},
         {0xff000003, 0xff000001, 0xff000004, 0xff000002}},
        {"mirrored and turned by 90: transposed", {xrgb8888, 2, 2, 8, false, 5},
         {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0}, {0xff000001, 0xff000003, 0xff000002, 0xff000004}},
        {"a format we cannot read", {nv12, 1, 1, 4, false}, {0, 0, 0, 0}, {}},
        {"a stride shorter than a row", {xrgb8888, 2, 1, 4, false}, {0, 0, 0, 0, 0, 0, 0, 0}, {}},
        {"a buffer shorter than the layout", {xrgb8888, 1, 2, 4, false}, {0, 0, 0, 0}, {}},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage image = frameToImage(c.bytes.data(), c.bytes.size(), c.layout);
        if (c.expected.empty()) {
            EXPECT_TRUE(image.isNull());
            continue;
        }
        ASSERT_EQ(image.format(), QImage::Format_RGB32);
        ASSERT_EQ(image.size(), QSize(c.layout.width, c.layout.height));
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                EXPECT_EQ(image.pixel(x, y), c.expected[std::size_t(y * image.width() + x)]) << x << "," << y;
        }
    }
}

struct DeviceSizeCase {
    const char* what;
    QSize frame;
    QSize logical;
    double scale;
    QSize expected;
};

TEST(AtDeviceSizeTest, FrameBroughtToTheScreensDevicePixels)
{
    const DeviceSizeCase cases[] = {
        {"already the device size", {800, 600}, {400, 300}, 2, {800, 600}},
        // Qt rounds sway's 1.5 up to 2 and takes the logical size from xdg-output.
        {"fractional scale rounded up by Qt", {1280, 720}, {853, 480}, 2, {1706, 960}},
        {"fractional device size truncated", {2048, 1152}, {1365, 768}, 1.5, {2047, 1152}},
    };
    const QRgb colour = 0xff336699;
    for (const DeviceSizeCase& c : cases) {
        SCOPED_TRACE(c.what);
        QImage frame(c.frame, QImage::Format_RGB32);
        frame.fill(colour);
        const QImage image = atDeviceSize(frame, c.logical, c.scale);
        EXPECT_EQ(image.size(), c.expected);
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        // A flat frame stays flat, corner to corner.
        EXPECT_EQ(image.pixel(0, 0), colour);
        EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), colour);
    }
}

using Pairs = std::vector<std::optional<std::size_t>>;

struct PairingCase {
    const char* what;
    std::vector<ScreenIdentity> screens;
    std::vector<OutputIdentity> outputs;
    Pairs expected;
};

TEST(PairScreensWithOutputsTest, ByNameThenByPlace)
{
    const QString one = QStringLiteral("HEADLESS-1"), two = QStringLiteral("HEADLESS-2");
    const PairingCase cases[] = {
        {"by name, in any order",
         {{one, {0, 0}}, {two, {1280, 0}}}, {{two, QPoint(1280, 0)}, {one, QPoint(0, 0)}}, {1, 0}},
        {"the name wins over the place", {{one, {0, 0}}}, {{two, QPoint(0, 0)}, {one, QPoint(500, 0)}}, {1}},
        {"a screen without its output is left out",
         {{one, {0, 0}}, {two, {1280, 0}}}, {{one, QPoint(0, 0)}}, {0, std::nullopt}},
        {"X server names found by their places",
         {{QStringLiteral("XWAYLAND1"), {1280, 0}}, {QStringLiteral("XWAYLAND0"), {0, 0}}},
         {{one, QPoint(0, 0)}, {two, QPoint(1280, 0)}}, {1, 0}},
        {"a nameless output found by its place",
         {{one, {0, 0}}, {two, {1280, 0}}}, {{{}, QPoint(1280, 0)}, {one, QPoint(0, 0)}}, {1, 0}},
        {"two outputs at one place are not guessed",
         {{one, {0, 0}}}, {{{}, QPoint(0, 0)}, {{}, QPoint(0, 0)}}, {std::nullopt}},
        {"a nameless output without a place is not guessed", {{one, {0, 0}}}, {{{}, std::nullopt}}, {std::nullopt}},
        {"one output is never given to two screens",
         {{one, {0, 0}}, {QStringLiteral("mirror"), {0, 0}}}, {{{}, QPoint(0, 0)}},
         {0, std::nullopt}},
    };
    for (const PairingCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(pairScreensWithOutputs(c.screens, c.outputs), c.expected);
    }
}

} // namespace
} // namespace corvane::wayland
