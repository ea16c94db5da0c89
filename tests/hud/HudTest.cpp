// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/HUD.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// The literal rectangles assume DejaVu Sans, the only font of the offscreen test machine: 15 pixels
// high at 13 pixels, with the advances listed. Odd panel widths put the spare pixel right of centre.
TEST(HudTest, PanelFitsTextAndSitsCentredAboveAnchorWhollyOnTheMonitor)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(QFont::Medium);
    font.setPixelSize(13);
    const QFontMetrics metrics(font);
    ASSERT_EQ(metrics.height(), 15);
    const struct {
        QString message;
        int advance;
        QPoint anchor;
        QRect panel;
    } cases[] = {
        {"Copied to clipboard", 127, {400, 300}, {321, 245, 159, 31}},
        {"Saved shot.png", 101, {0, 0}, {0, 24, 133, 31}},
        {"Could not save to Desktop", 172, {790, 795}, {596, 740, 204, 31}},
        {"Saved Screenshot 2026-12-05 at 22.29.09 with a rather long name appended to it.png", 565, {400, 60},
         {102, 5, 597, 31}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(metrics.horizontalAdvance(c.message), c.advance) << c.message.toStdString();
        HUD::show(c.message, c.anchor);
        EXPECT_EQ(HUD::currentToast()->geometry(), c.panel) << c.message.toStdString();
        EXPECT_TRUE(HUD::currentToast()->isVisible());
    }
    delete HUD::currentToast();
}

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
