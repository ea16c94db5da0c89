// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/ScreencopyCaptureSource.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <gtest/gtest.h>

namespace corvane::wayland {
namespace {

// Against a compositor of our own (fake_screencopy.c) whose second output's frame fails, or that never
// answers a copy, or none at all: the failed screen is left out and the rest kept; silence or no
// compositor is a refusal with an explanation, never a hang or empty screens.
TEST(ScreencopyCompositorTest, AFailedFrameIsLeftOutAndSilenceOrNoCompositorIsARefusal)
{
    const struct {
        const char* mode; // nullptr: no compositor at all
        bool available;
        QRgb top, bottom; // HEADLESS-1's top-left and bottom-left pixels; 0: not copied
    } cases[] = {{"", true, 0xff336699, 0xffcc2200}, {"silent", false, 0, 0}, {nullptr, false, 0, 0}};
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2);
    ASSERT_EQ(screens[0]->name(), QStringLiteral("HEADLESS-1"));
    const QByteArray saved = qgetenv("WAYLAND_DISPLAY");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode ? c.mode : "none");
        const QString socket = QStringLiteral("corvane-fake-%1-%2").arg(QCoreApplication::applicationPid())
                                   .arg(QLatin1String(c.mode ? c.mode : "none"));
        QProcess compositor;
        if (c.mode) {
            compositor.start(QStringLiteral(CORVANE_FAKE_SCREENCOPY), {socket, QLatin1String(c.mode)});
            ASSERT_TRUE(compositor.waitForReadyRead(10000)) << "the fake compositor did not start";
        }
        qputenv("WAYLAND_DISPLAY", socket.toUtf8());
        ScreencopyCaptureSource source(std::chrono::milliseconds(1000));
        EXPECT_EQ(ScreencopyCaptureSource::offered(), c.mode != nullptr);
        EXPECT_EQ(source.available(), c.available);
        EXPECT_TRUE(c.available || !source.refusalExplanation().isEmpty());
        const QImage one = source.grab(*screens[0]);
        EXPECT_EQ(one.size(), c.top ? QSize(1280, 720) : QSize(0, 0));
        EXPECT_TRUE(!c.top || (one.pixel(0, 0) == c.top && one.pixel(0, 719) == c.bottom));
        EXPECT_TRUE(source.grab(*screens[1]).isNull());
        compositor.kill();
        compositor.waitForFinished();
    }
    qputenv("WAYLAND_DISPLAY", saved);
}

} // namespace
} // namespace corvane::wayland
