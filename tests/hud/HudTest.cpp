// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/HUD.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// The first toast's pending fade would start 1.1 s after the second appears and end at 1.45 s.
TEST(HudTest, ANewerToastReplacesTheOlderAtOnceKeepsItsFullLifeTakesNoFocusAndGoesWhenTheProgramQuits)
{
    QWidget window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    HUD::show("first", QPoint(400, 300));
    const QPointer<QWidget> first = HUD::currentToast();
    QTest::qWait(500);
    HUD::show("second", QPoint(400, 300));
    EXPECT_TRUE(first.isNull());
    const QPointer<QWidget> second = HUD::currentToast();
    EXPECT_EQ(QApplication::activeWindow(), &window);
    EXPECT_TRUE(second->windowFlags().testFlag(Qt::WindowTransparentForInput));
    QTest::qWait(1500);
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(HUD::currentToast(), second.data()) << "the first toast's end leaves the second current";
    QTRY_VERIFY_WITH_TIMEOUT(second.isNull(), 2000);
    EXPECT_EQ(HUD::currentToast(), nullptr);

    HUD::show("third", QPoint(400, 300));
    const QPointer<QWidget> third = HUD::currentToast();
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    EXPECT_TRUE(third.isNull());
    EXPECT_EQ(HUD::currentToast(), nullptr);
}

} // namespace
} // namespace corvane
