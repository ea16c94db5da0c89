// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/ScreencopyCaptureSource.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace corvane::wayland {
namespace {

// A compositor that went away (or a session set up wrongly) must be a refusal with an explanation,
// never a capture that hangs or hands over empty screens.
TEST(ScreencopyCaptureSourceTest, NoCompositorIsARefusal)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QByteArray saved = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", runtime.filePath(QStringLiteral("wayland-gone")).toUtf8());
    ScreencopyCaptureSource source(std::chrono::milliseconds(500));
    EXPECT_FALSE(ScreencopyCaptureSource::offered());
    EXPECT_FALSE(source.available());
    EXPECT_TRUE(source.grab(*QGuiApplication::primaryScreen()).isNull());
    EXPECT_FALSE(source.refusalExplanation().isEmpty());
    qputenv("WAYLAND_DISPLAY", saved);
}

} // namespace
} // namespace corvane::wayland
