// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/WindowPicker.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// Two monitors as in the end-to-end tests: A 1920 x 1080 at ratio 1, B 2560 x 1440 device pixels at
// ratio 2 to its right. Windows topmost first, in device pixels of the whole display.
const QRect monitorA(0, 0, 1920, 1080);
const QRect monitorB(1920, 0, 2560, 1440);

TEST(WindowPickerTest, ClipsEachFrameToTheMonitorInItsLogicalPixels)
{
    const struct {
        const char* name;
        QRect frame;
        QRect monitor;
        double scale;
        std::vector<QRectF> expected;
    } cases[] = {
        {"inside B, odd device pixels", {2201, 301, 601, 401}, monitorB, 2, {{140.5, 150.5, 300.5, 200.5}}},
        {"across both, as A sees it", {1800, 100, 400, 300}, monitorA, 1, {{1800, 100, 120, 300}}},
        {"across both, as B sees it", {1800, 100, 400, 300}, monitorB, 2, {{0, 50, 140, 150}}},
        {"above the top edge", {50, -30, 200, 100}, monitorA, 1, {{50, 0, 200, 70}}},
        {"not on the monitor at all", {2000, 0, 100, 100}, monitorA, 1, {}},
        {"touching the edge only", {1920, 0, 100, 100}, monitorA, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WindowPicker::onMonitor({c.frame}, c.monitor, c.scale), c.expected);
    }
}

TEST(WindowPickerTest, TakesTheTopmostWindowUnderThePointer)
{
    // The front window covers the back one's middle; the back one shows left of it and below it.
    const std::vector<QRectF> topFirst = {{300, 200, 400, 300}, {100, 100, 500, 500}, {0, 0, 1920, 1080}};
    const struct {
        const char* name;
        QPointF point;
        std::optional<QRectF> expected;
    } cases[] = {
        {"over the front one", {500, 300}, QRectF(300, 200, 400, 300)},
        {"the front one's left edge is its own", {300, 250}, QRectF(300, 200, 400, 300)},
        {"the front one's right edge is not", {700, 250}, QRectF(0, 0, 1920, 1080)},
        {"the back one's bottom edge is not", {150, 600}, QRectF(0, 0, 1920, 1080)},
        {"the last pixel of the bottom window", {1919.5, 1079.5}, QRectF(0, 0, 1920, 1080)},
        {"outside every window", {1920, 500}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WindowPicker::windowAt(topFirst, c.point), c.expected);
    }
    EXPECT_EQ(WindowPicker::windowAt({}, {10, 10}), std::nullopt);
}

} // namespace
} // namespace corvane
