// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"

#include <QAction>
#include <QSystemTrayIcon>
#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(TrayMenuTest, OffersTheCommandsInOrderWithTheShortcutLineDisabled)
{
    AppDelegate delegate({QStringLiteral("corvane")});
    delegate.applicationDidFinishLaunching();
    ASSERT_NE(delegate.trayMenu(), nullptr);

    struct Item {
        const char* title; // empty for a separator
        bool enabled;
    };
    const Item expected[] = {
        {"Capture Region…", true},
        {"Capture Full Screen", true},
        {"Capture Region in 5 Seconds", true},
        {"Cancel Delayed Capture", false},
        {"", true},
        {"Open Image in Editor…", true},
        {"Pin Last Capture", false}, // until a capture has gone somewhere
        {"", true},
        {"Shortcut: Print Screen (F13)  ·  Ctrl+Shift+Super+4", false},
        {"Preferences…", true},
        {"Screen Recording Permission…", true},
        {"", true},
        {"Quit Corvane", true},
    };
    const QList<QAction*> items = delegate.trayMenu()->actions();
    ASSERT_EQ(items.size(), static_cast<qsizetype>(std::size(expected)));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        const QAction* item = items[static_cast<qsizetype>(i)];
        EXPECT_EQ(item->isSeparator(), expected[i].title[0] == '\0');
        EXPECT_EQ(item->text().toStdString(), expected[i].title);
        EXPECT_EQ(item->isEnabled(), expected[i].enabled);
    }
    EXPECT_EQ(items.back()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
}

} // namespace
} // namespace corvane

namespace corvane {
namespace {

TEST(TrayMenuTest, ADelayedCaptureCountsDownInTheTooltipUntilCancelled)
{
    AppDelegate delegate({QStringLiteral("corvane")});
    delegate.applicationDidFinishLaunching();
    const auto* icon = delegate.findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    QAction* cancel = delegate.trayMenu()->actions().at(3);
    ASSERT_EQ(cancel->text().toStdString(), "Cancel Delayed Capture");

    delegate.captureRegionDelayed();
    EXPECT_EQ(icon->toolTip().toStdString(), "Corvane: capture in 5 s");
    EXPECT_TRUE(cancel->isEnabled());
    cancel->trigger();
    EXPECT_EQ(icon->toolTip().toStdString(), "Corvane");
    EXPECT_FALSE(cancel->isEnabled());
}

} // namespace
} // namespace corvane
