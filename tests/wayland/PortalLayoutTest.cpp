// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/PortalLayout.h"

#include <gtest/gtest.h>

namespace corvane::wayland {
namespace {

using Cut = std::optional<LayoutCut>;

TEST(LayoutCutsTest, EachOutputAtItsOwnDevicePixelSize)
{
    const struct {
        const char* name;
        QSize picture;
        std::vector<OutputPlacement> outputs;
        std::vector<Cut> expected;
    } cases[] = {
        // What xdg-desktop-portal-wlr answered for sway with these two outputs.
        {"scale one beside scale two", {3360, 1440}, {{{0, 0, 1280, 720}, 1}, {{1280, 0, 400, 300}, 2}},
         {LayoutCut{{0, 0, 2560, 1440}, {1280, 720}}, LayoutCut{{2560, 0, 800, 600}, {800, 600}}}},
        {"a gap and a lower output", {2800, 1000}, {{{0, 0, 1000, 500}, 1}, {{1100, 250, 300, 200}, 2}},
         {LayoutCut{{0, 0, 2000, 1000}, {1000, 500}}, LayoutCut{{2200, 500, 600, 400}, {600, 400}}}},
        {"left of the origin", {1824, 768}, {{{-800, 100, 800, 600}, 1}, {{0, 0, 1024, 768}, 1}},
         {LayoutCut{{0, 100, 800, 600}, {800, 600}}, LayoutCut{{800, 0, 1024, 768}, {1024, 768}}}},
        {"a fractional scale truncates the device pixels", {2048, 1152}, {{{0, 0, 1365, 768}, 1.5}},
         {LayoutCut{{0, 0, 2048, 1152}, {2047, 1152}}}},
        {"a picture denser than the screens say", {3360, 1440}, {{{0, 0, 1280, 720}, 1}, {{1280, 0, 400, 300}, 1}},
         {LayoutCut{{0, 0, 2560, 1440}, {1280, 720}}, LayoutCut{{2560, 0, 800, 600}, {400, 300}}}},
        {"an output missing from a picture cut short", {2560, 1440}, {{{0, 0, 1280, 720}, 1}, {{1280, 0, 400, 300}, 2}},
         {LayoutCut{{0, 0, 2560, 1440}, {1280, 720}}, std::nullopt}},
        {"an output partly below the picture", {3360, 1000}, {{{0, 0, 1280, 720}, 1}, {{1280, 0, 400, 300}, 2}},
         {std::nullopt, LayoutCut{{2560, 0, 800, 600}, {800, 600}}}},
        {"an empty picture", {0, 0}, {{{0, 0, 640, 480}, 1}}, {std::nullopt}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(layoutCuts(c.picture, c.outputs) == c.expected);
    }
}

// A 6 x 2 layout picture of a 2 x 1 output at scale 1 (enlarged to 4 x 2 in it) and a 1 x 1 output at
// scale 2 beside it.
TEST(CutOutTest, EnlargedOutputComesBackToItsPixelsAndTheSharpOneIsCopiedOpaque)
{
    QImage whole(6, 2, QImage::Format_ARGB32);
    const QRgb red = 0xffff0000, green = 0xff00ff00;
    const QRgb right[2][2] = {{0xff102030, 0xff405060}, {0xff708090, 0x00a0b0c0}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x)
            whole.setPixel(x, y, x < 2 ? red : green);
        whole.setPixel(4, y, right[y][0]);
        whole.setPixel(5, y, right[y][1]);
    }
    const auto cuts = layoutCuts(whole.size(), {{{0, 0, 2, 1}, 1}, {{2, 0, 1, 1}, 2}});
    ASSERT_TRUE(cuts[0] && cuts[1]);
    const QImage left = cutOut(whole, *cuts[0]);
    ASSERT_EQ(left.size(), QSize(2, 1));
    EXPECT_EQ(left.pixel(0, 0), red);
    EXPECT_EQ(left.pixel(1, 0), green);
    const QImage sharp = cutOut(whole, *cuts[1]);
    ASSERT_EQ(sharp.size(), QSize(2, 2));
    EXPECT_EQ(sharp.pixel(0, 0), 0xff102030u);
    EXPECT_EQ(sharp.pixel(1, 0), 0xff405060u);
    EXPECT_EQ(sharp.pixel(0, 1), 0xff708090u);
    EXPECT_EQ(qAlpha(sharp.pixel(1, 1)), 0xff); // the layout's transparent gaps come out opaque
}

} // namespace
} // namespace corvane::wayland
