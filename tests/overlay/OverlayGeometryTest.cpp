// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/OverlayGeometry.h"

#include "capture/SelectionOverlayController.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

DisplayShot shotOf(QRectF frame, QSize pixels)
{
    QImage image(pixels, QImage::Format_RGB32);
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            image.setPixel(x, y, qRgb(x & 0xff, y & 0xff, 0));
    return {QStringLiteral("MON"), image, frame, pixels.width() / frame.width(), nullptr};
}

TEST(OverlayGeometryTest, CropsInDevicePixelsAndKeepsTheSelectionUnclipped)
{
    struct Case {
        const char* name;
        QRectF frame;
        QSize pixels;
        QRectF selection;
        std::optional<QRect> pixelsCut;
        QRectF globalRect;
    };
    const Case cases[] = {
        // 549.25 from the top is 900 - (200.5 + 150.25): the same area measured from the bottom edge.
        {"a fractional selection at scale 2 on a monitor right of and above the first", {1440, -180, 1920, 1080}, {3840, 2160}, {100.25, 549.25, 300.5, 150.25},
         QRect(200, 1098, 601, 301), {1540.25, 369.25, 300.5, 150.25}},
        {"past the left edge: pixels clipped, area not", {0, 0, 1440, 900}, {2880, 1800}, {-20, 750, 120, 50},
         QRect(0, 1500, 200, 100), {-20, 750, 120, 50}},
        {"3 x 3 is a selection", {0, 0, 800, 600}, {800, 600}, {10, 20, 3, 3}, QRect(10, 20, 3, 3), {10, 20, 3, 3}},
        {"2.9 wide is not", {0, 0, 800, 600}, {800, 600}, {10, 20, 2.9, 40}, std::nullopt, {}},
        {"entirely off the picture", {0, 0, 800, 600}, {800, 600}, {-50, 20, 40, 40}, std::nullopt, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DisplayShot shot = shotOf(c.frame, c.pixels);
        const auto result = SelectionOverlayController::crop(shot, c.selection);
        ASSERT_EQ(result.has_value(), c.pixelsCut.has_value());
        if (!result)
            continue;
        EXPECT_EQ(result->image.size(), c.pixelsCut->size());
        EXPECT_EQ(result->image.pixel(0, 0), qRgb(c.pixelsCut->x() & 0xff, c.pixelsCut->y() & 0xff, 0));
        EXPECT_EQ(OverlayGeometry::cropRect(c.selection, c.pixels, c.frame.size()), *c.pixelsCut);
        EXPECT_EQ(result->globalRect, c.globalRect);
        EXPECT_DOUBLE_EQ(result->scale, c.pixels.width() / c.frame.width());
    }
}

TEST(OverlayGeometryTest, SizeLabelTextRoundsHalvesAwayFromZero)
{
    struct Case {
        QRectF selection;
        double scale;
        const char* text;
    };
    const Case cases[] = {
        {{200, 250, 0, 0}, 2, "0 × 0  (0 × 0 px)"},
        {{200, 250, 300, 150}, 2, "300 × 150  (600 × 300 px)"},
        {{0, 0, 100.5, 20}, 1, "101 × 20  (101 × 20 px)"},
        {{0, 0, 100.25, 20}, 2, "100 × 20  (201 × 40 px)"},
        {{0, 0, 1920, 1080}, 1.5, "1920 × 1080  (2880 × 1620 px)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OverlayGeometry::sizeLabelText(c.selection, c.scale).toStdString(), c.text);
}

} // namespace
} // namespace corvane
