// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs on the offscreen platform with three screens (three-screens.json): A (0, 0, 1440 x 900),
// B (1440, 0, 1920 x 1080) and C (3360, 0, 1280 x 800 at ratio 2), in that order.
#include "capture/ScreenCapturer.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>
#include <map>

namespace corvane {
namespace {

// Serves a flat picture per screen name and notes which screens it was asked for; a name without a
// picture fails its grab, as a monitor that went away does.
struct FakeSource final : CaptureSource {
    bool isAvailable = true;
    std::map<QString, QRgb> colours;
    std::vector<QString> grabbed;

    bool available() override { return isAvailable; }
    QImage grab(const QScreen& screen) override
    {
        grabbed.push_back(screen.name());
        if (!colours.count(screen.name()))
            return {};
        QImage image(screen.size() * screen.devicePixelRatio(), QImage::Format_RGB32);
        image.fill(colours.at(screen.name()));
        return image;
    }
    QString refusalExplanation() const override { return {}; }
};

// The capturer owns the fake; the reference stays good until the next install.
FakeSource& install(bool isAvailable, std::map<QString, QRgb> colours)
{
    auto source = std::make_unique<FakeSource>();
    source->isAvailable = isAvailable;
    source->colours = std::move(colours);
    FakeSource& fake = *source;
    ScreenCapturer::setSource(std::move(source));
    return fake;
}

// A monitor at ratio 2 (its frame in logical pixels, its picture in device pixels) is
// e2e.capture.region-on-each-monitor's.
TEST(ScreenCapturerTest, ARefusalOrNoScreenIsAnErrorAndAScreenWhoseGrabFailsIsLeftOut)
{
    ASSERT_EQ(QGuiApplication::screens().size(), 3);
    const struct {
        bool available;
        std::map<QString, QRgb> colours;
        std::variant<ScreenCaptureError, std::vector<QString>> expected;
        std::vector<QString> grabbed;
    } cases[] = {
        {false, {{"A", 0xff0000ff}}, ScreenCaptureError::noPermission, {}},
        {true, {{"elsewhere", 0xff000000}}, ScreenCaptureError::noDisplays, {"A", "B", "C"}},
        {true, {{"A", 0xff0000ff}, {"C", 0xff00ff00}}, std::vector<QString>{"A", "C"}, {"A", "B", "C"}},
    };
    for (const auto& c : cases) {
        const FakeSource& fake = install(c.available, c.colours);
        const ScreenCapturer::Shots shots = ScreenCapturer::captureAllDisplays();
        EXPECT_EQ(fake.grabbed, c.grabbed);
        if (const auto* error = std::get_if<ScreenCaptureError>(&c.expected)) {
            ASSERT_TRUE(std::holds_alternative<ScreenCaptureError>(shots));
            EXPECT_EQ(std::get<ScreenCaptureError>(shots), *error);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<std::vector<DisplayShot>>(shots));
        std::vector<QString> names;
        for (const DisplayShot& shot : std::get<std::vector<DisplayShot>>(shots))
            names.push_back(shot.displayID);
        EXPECT_EQ(names, std::get<std::vector<QString>>(c.expected));
    }
}

TEST(ScreenCapturerTest, CaptureDisplayTakesTheShotUnderThePointCountingLeftAndTopEdgesIn)
{
    install(true, {{"A", 0xff0000ff}, {"B", 0xffff0000}});
    const struct {
        QPointF point;
        const char* expected;
    } cases[] = {{{1500, 100}, "B"}, {{100, 100}, "A"}, {{1440, 500}, "B"}, {{0, 0}, "A"},
                 {{3359, 0}, "B"},    {{700, 950}, "A"},  // below A, on no shot: the first
                 {{1440, 1080}, "A"}, {{3400, 100}, "A"}}; // below B; on C, whose grab failed
    for (const auto& c : cases) {
        const ScreenCapturer::Shot shot = ScreenCapturer::captureDisplay(c.point);
        ASSERT_TRUE(std::holds_alternative<DisplayShot>(shot));
        EXPECT_EQ(std::get<DisplayShot>(shot).displayID, QString::fromLatin1(c.expected)) << c.point.x() << "," << c.point.y();
    }
    install(true, {});
    EXPECT_EQ(std::get<ScreenCaptureError>(ScreenCapturer::captureDisplay(QPointF(10, 10))), ScreenCaptureError::noDisplays);
}

} // namespace
} // namespace corvane
