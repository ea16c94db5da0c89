// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs on the offscreen platform with three screens (three-screens.json): A (0, 0, 1440 x 900),
// B (1440, 0, 1920 x 1080) and C (3360, 0, 1280 x 800 at ratio 2), in that order.
#include "capture/ScreenCapturer.h"

#include "CapturePrinters.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>

namespace corvane {
namespace {

// Serves a flat picture per screen name and notes which screens it was asked for; a name without a
// picture fails its grab.
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
    QString refusalExplanation() const override { return QStringLiteral("The fake display said no."); }
};

// The capturer owns the fake; the pointer stays good until the next install.
FakeSource& install(bool isAvailable, std::map<QString, QRgb> colours)
{
    auto source = std::make_unique<FakeSource>();
    source->isAvailable = isAvailable;
    source->colours = std::move(colours);
    FakeSource& fake = *source;
    ScreenCapturer::setSource(std::move(source));
    return fake;
}

TEST(ScreenCapturerTest, UnavailableSourceIsNoPermissionWithoutGrabbingAnyScreen)
{
    ASSERT_EQ(QGuiApplication::screens().size(), 3);
    const FakeSource& fake = install(false, {{"A", 0xff0000ff}});
    const ScreenCapturer::Shots shots = ScreenCapturer::captureAllDisplays();
    ASSERT_TRUE(std::holds_alternative<ScreenCaptureError>(shots));
    EXPECT_EQ(std::get<ScreenCaptureError>(shots), ScreenCaptureError::noPermission);
    EXPECT_TRUE(fake.grabbed.empty());
    ScreenCapturer::warmUp(); // returns normally when refused
}

TEST(ScreenCapturerTest, ScreenWhoseGrabFailsIsLeftOutAndTheOthersKeepTheirOrder)
{
    const FakeSource& fake = install(true, {{"A", 0xff0000ff}, {"C", 0xff00ff00}});
    const ScreenCapturer::Shots result = ScreenCapturer::captureAllDisplays();
    ASSERT_TRUE(std::holds_alternative<std::vector<DisplayShot>>(result));
    const auto& shots = std::get<std::vector<DisplayShot>>(result);
    EXPECT_EQ(fake.grabbed, (std::vector<QString>{"A", "B", "C"}));
    ASSERT_EQ(shots.size(), 2u);
    EXPECT_EQ(shots[0].displayID, QStringLiteral("A"));
    EXPECT_EQ(shots[0].frame, QRectF(0, 0, 1440, 900));
    EXPECT_EQ(shots[0].scale, 1.0);
    EXPECT_EQ(shots[0].image.pixel(0, 0), 0xff0000ffu);
    EXPECT_EQ(shots[0].screen, QGuiApplication::screens()[0]);
    EXPECT_EQ(shots[1].displayID, QStringLiteral("C"));
    EXPECT_EQ(shots[1].frame, QRectF(3360, 0, 1280, 800));
    EXPECT_EQ(shots[1].scale, 2.0);
    EXPECT_EQ(shots[1].image.size(), QSize(2560, 1600));
    EXPECT_EQ(shots[1].image.pixel(0, 0), 0xff00ff00u);
    EXPECT_EQ(shots[1].screen, QGuiApplication::screens()[2]);
}

TEST(ScreenCapturerTest, NoScreenGrabbedIsNoDisplays)
{
    install(true, {{"elsewhere", 0xff000000}});
    const ScreenCapturer::Shots all = ScreenCapturer::captureAllDisplays();
    ASSERT_TRUE(std::holds_alternative<ScreenCaptureError>(all));
    EXPECT_EQ(std::get<ScreenCaptureError>(all), ScreenCaptureError::noDisplays);
    const ScreenCapturer::Shot one = ScreenCapturer::captureDisplay(QPointF(10, 10));
    ASSERT_TRUE(std::holds_alternative<ScreenCaptureError>(one));
    EXPECT_EQ(std::get<ScreenCaptureError>(one), ScreenCaptureError::noDisplays);
}

TEST(ScreenCapturerTest, CaptureDisplayTakesTheShotUnderThePoint)
{
    install(true, {{"A", 0xff0000ff}, {"B", 0xffff0000}});
    const struct {
        QPointF point;
        const char* expected;
    } cases[] = {{{1500, 100}, "B"}, {{100, 100}, "A"}, {{3400, 100}, "A"}}; // C failed: first shot
    for (const auto& c : cases) {
        const ScreenCapturer::Shot shot = ScreenCapturer::captureDisplay(c.point);
        ASSERT_TRUE(std::holds_alternative<DisplayShot>(shot));
        EXPECT_EQ(std::get<DisplayShot>(shot).displayID, QString::fromLatin1(c.expected)) << c.point.x();
    }
}

TEST(ScreenCapturerTest, ShotContainingCountsLeftAndTopEdgesIn)
{
    std::vector<DisplayShot> shots(2);
    shots[0].frame = QRectF(0, 0, 1440, 900);
    shots[1].frame = QRectF(1440, 0, 1920, 1080);
    const struct {
        QPointF point;
        int expected;
    } cases[] = {
        {{1440, 500}, 1},  {{1439.5, 500}, 0}, {{0, 0}, 0},    {{1440, 1079.5}, 1},
        {{1440, 1080}, 0}, {{3359.9, 0}, 1},   {{3360, 0}, 0}, {{700, 950}, 0}, // below the shorter one
        {{2000, -0.5}, 0}, {{700, 899.9}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(&ScreenCapturer::shotContaining(shots, c.point), &shots[c.expected])
            << c.point.x() << ", " << c.point.y();
}

TEST(ScreenCapturerTest, ErrorDescriptions)
{
    EXPECT_EQ(errorDescription(ScreenCaptureError::noPermission),
              QStringLiteral("Corvane needs Screen Recording permission to capture the screen."));
    EXPECT_EQ(errorDescription(ScreenCaptureError::noDisplays),
              QStringLiteral("No displays were available to capture."));
}

TEST(ScreenCapturerTest, PermissionAlertIsModalWithTheSourcesExplanationAndOneButton)
{
    install(false, {});
    QString title;
    QString text;
    QString informative;
    int buttons = -1;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        QMessageBox* box = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && qobject_cast<QMessageBox*>(widget))
                box = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        informative = box->informativeText();
        buttons = int(box->buttons().size());
        modal = box->isModal();
        box->button(QMessageBox::Ok)->click();
    });
    ScreenCapturer::presentPermissionAlert();
    EXPECT_EQ(title, QStringLiteral("Screen Recording Permission Required"));
    EXPECT_EQ(text, QStringLiteral("Screen Recording Permission Required"));
    EXPECT_EQ(informative,
              QStringLiteral("Corvane can't capture the screen yet.\n\nThe fake display said no."));
    EXPECT_EQ(buttons, 1);
    EXPECT_TRUE(modal);
}

} // namespace
} // namespace corvane
