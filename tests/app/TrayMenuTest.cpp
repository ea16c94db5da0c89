// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// The menu's items in their order are the e2e.tray cases, which choose them by position;
// e2e.tray.delayed-capture-from-menu reaches "Cancel Delayed Capture" only while a capture waits.
#include "app/AppDelegate.h"

#include <QAction>
#include <QSystemTrayIcon>
#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(TrayMenuTest, ADelayedCaptureCountsDownInTheTooltipUntilCancelledAndPinWaitsForACapture)
{
    AppDelegate delegate({QStringLiteral("corvane")});
    delegate.applicationDidFinishLaunching();
    const auto* icon = delegate.findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    QAction* cancel = delegate.trayMenu()->actions().at(3);
    ASSERT_EQ(cancel->text().toStdString(), "Cancel Delayed Capture");
    EXPECT_EQ(delegate.trayMenu()->actions().at(6)->text().toStdString(), "Pin Last Capture");
    EXPECT_FALSE(delegate.trayMenu()->actions().at(6)->isEnabled());

    delegate.captureRegionDelayed();
    EXPECT_EQ(icon->toolTip().toStdString(), "Corvane: capture in 5 s");
    cancel->trigger();
    EXPECT_EQ(icon->toolTip().toStdString(), "Corvane");
    EXPECT_FALSE(cancel->isEnabled());
}

} // namespace
} // namespace corvane
