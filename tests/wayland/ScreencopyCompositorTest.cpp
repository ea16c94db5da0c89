// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/ScreencopyCaptureSource.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <gtest/gtest.h>

#include <optional>

namespace corvane::wayland {
namespace {

QScreen* screenNamed(const char* name)
{
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == QLatin1String(name))
            return screen;
    }
    return nullptr;
}

struct CompositorCase {
    const char* mode;
    bool available;
    // HEADLESS-1's top-left and bottom-left pixels, when it is copied; HEADLESS-2's frame always fails.
    std::optional<std::pair<QRgb, QRgb>> firstScreen;
};

// A compositor (tests/wayland/fake_screencopy.c) whose second output's frame fails, or that never
// answers a copy: the failed screen is left out and the rest kept; silence is a refusal, not a hang.
TEST(ScreencopyCompositorTest, FailedFramesAndSilence)
{
    const CompositorCase cases[] = {
        {"", true, std::pair<QRgb, QRgb>{0xff336699, 0xffcc2200}},
        {"silent", false, std::nullopt},
    };
    QScreen* first = screenNamed("HEADLESS-1");
    QScreen* second = screenNamed("HEADLESS-2");
    ASSERT_TRUE(first && second);
    const QByteArray saved = qgetenv("WAYLAND_DISPLAY");
    for (const CompositorCase& c : cases) {
        SCOPED_TRACE(c.mode);
        const QString socket = QStringLiteral("corvane-fake-%1-%2")
                                   .arg(QCoreApplication::applicationPid())
                                   .arg(QLatin1String(c.mode));
        QProcess compositor;
        compositor.start(QStringLiteral(CORVANE_FAKE_SCREENCOPY), {socket, QLatin1String(c.mode)});
        ASSERT_TRUE(compositor.waitForReadyRead(10000)) << "the fake compositor did not start";
        qputenv("WAYLAND_DISPLAY", socket.toUtf8());
        ScreencopyCaptureSource source(std::chrono::milliseconds(1000));
        EXPECT_TRUE(ScreencopyCaptureSource::offered());
        EXPECT_EQ(source.available(), c.available);
        const QImage one = source.grab(*first);
        if (c.firstScreen) {
            ASSERT_EQ(one.size(), QSize(1280, 720));
            EXPECT_EQ(one.pixel(0, 0), c.firstScreen->first);
            EXPECT_EQ(one.pixel(0, 719), c.firstScreen->second);
        } else {
            EXPECT_TRUE(one.isNull());
        }
        EXPECT_TRUE(source.grab(*second).isNull());
        compositor.kill();
        compositor.waitForFinished();
    }
    qputenv("WAYLAND_DISPLAY", saved);
}

} // namespace
} // namespace corvane::wayland
