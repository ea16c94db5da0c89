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

} // namespace
} // namespace corvane::wayland
