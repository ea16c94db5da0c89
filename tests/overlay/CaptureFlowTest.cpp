// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// The capture flow with a fake source; the real binary's flows (copy, save, pin, open in the editor)
// are the e2e.capture cases.
#include "capture/OverlayView.h"
#include "capture/OverlayWindow.h"
#include "capture/ScreenCapturer.h"
#include "capture/SelectionOverlayController.h"
#include "editor/PinWindow.h"
#include "flow/CaptureController.h"
#include "flow/DestinationMenu.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// Serves every screen as one flat colour at twice its logical size, and counts the grabs.
struct FlatSource final : CaptureSource {
    explicit FlatSource(int* grabs) : grabs(grabs) {}
    bool available() override { return true; }
    QImage grab(const QScreen& screen) override
    {
        ++*grabs;
        QImage image(screen.geometry().size() * 2, QImage::Format_RGB32);
        image.fill(qRgb(10, 200, 30));
        return image;
    }
    QString refusalExplanation() const override { return {}; }
    int* grabs;
};

class CaptureFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScreenCapturer::setSource(std::make_unique<FlatSource>(&grabs));
        controller.popUp = [this](QMenu& menu, QPoint) {
            ++menus;
            if (choice)
                choice(static_cast<DestinationMenu&>(menu));
            else
                QTest::keyClick(&menu, Qt::Key_Escape);
        };
    }
    void TearDown() override
    {
        controller.destCancel();
        if (controller.overlay())
            QTest::keyClick(controller.overlay()->windows().front()->view(), Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        controller.popUp = nullptr;
    }
    OverlayView* firstOverlay()
    {
        EXPECT_TRUE(QTest::qWaitFor([this] { return controller.overlay() != nullptr; }, 2000));
        return controller.overlay() ? controller.overlay()->windows().front()->view() : nullptr;
    }

    CaptureController& controller = CaptureController::shared();
    int grabs = 0;
    int menus = 0;
    std::function<void(DestinationMenu&)> choice;
};

TEST_F(CaptureFlow, ARequestWhileBusyIsDroppedAndACancelLeavesThePendingPictureAlone)
{
    controller.startFullScreenCapture(); // its menu is dismissed: the picture stays pending
    ASSERT_TRUE(QTest::qWaitFor([this] { return !controller.isBusy(); }, 2000));
    ASSERT_TRUE(controller.pending().has_value());
    const qint64 waiting = controller.pending()->image.cacheKey();
    grabs = 0;

    controller.startRegionCapture();
    controller.startRegionCapture();
    controller.startFullScreenCapture();
    OverlayView* view = firstOverlay();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(grabs, int(QGuiApplication::screens().size())) << "one capture's grabs";
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(controller.isBusy());
    EXPECT_EQ(controller.overlay(), nullptr);
    ASSERT_TRUE(controller.pending().has_value());
    EXPECT_EQ(controller.pending()->image.cacheKey(), waiting);
    EXPECT_EQ(menus, 1);
}

TEST_F(CaptureFlow, AMenuClosedWithoutTheUsersAnswerComesBackAtMostTwice)
{
    struct {
        int unanswered;
        int menus;
        bool copied;
    } const rows[] = {{1, 2, true}, {2, 3, true}, {5, 3, false}};
    for (const auto& row : rows) {
        menus = 0;
        choice = [&](DestinationMenu& menu) {
            if (menus > row.unanswered)
                menu.copyAction->trigger();
            else
                menu.close();
        };
        controller.startFullScreenCapture();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !controller.isBusy(); }, 2000));
        EXPECT_EQ(menus, row.menus) << row.unanswered;
        EXPECT_EQ(!controller.pending(), row.copied) << row.unanswered;
        controller.destCancel();
    }
}

// Pinning from the menu is e2e.capture.pin-to-screen; the tray's "Pin Last Capture" is not.
TEST_F(CaptureFlow, TheTrayPinsTheLastCaptureAgainAtItsPlaceAlsoAfterPackingIt)
{
    choice = [](DestinationMenu& menu) { menu.pinAction->trigger(); };
    controller.startRegionCapture();
    OverlayView* view = firstOverlay();
    ASSERT_NE(view, nullptr);
    QTest::mousePress(view, Qt::LeftButton, {}, {100, 50});
    QTest::mouseMove(view, {300, 200});
    QTest::mouseRelease(view, Qt::LeftButton, {}, {300, 200});
    const QRectF place(QGuiApplication::screens().front()->geometry().topLeft() + QPointF(100, 50), QSizeF(200, 150));
    // Idle, the tray keeps the picture as PNG bytes; pinned again it has its pixels back.
    for (const bool packed : {false, true}) {
        if (packed)
            controller.packLastCapture();
        controller.pinLastCapture();
        EXPECT_EQ(PinWindow::openPins().back()->pictureGeometry(), place);
        ASSERT_EQ(controller.lastCapture()->image.size(), QSize(400, 300));
        EXPECT_EQ(controller.lastCapture()->image.pixel(7, 7), qRgb(10, 200, 30));
    }
    EXPECT_EQ(PinWindow::openPins().size(), 3u);
    for (PinWindow* pin : std::vector(PinWindow::openPins()))
        pin->close();
}

TEST_F(CaptureFlow, FinishingTwiceReachesTheCompletionOnce)
{
    SelectionOverlayController overlay;
    int calls = 0;
    const DisplayShot shot{QStringLiteral("MON"), QImage(200, 100, QImage::Format_RGB32), QRectF(0, 0, 100, 50), 2, nullptr};
    overlay.begin({shot}, [&calls](std::optional<CaptureResult>) { ++calls; });
    overlay.finish(shot, QRectF(10, 10, 20, 20));
    overlay.finish(shot, std::nullopt);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(overlay.windows().empty());
}

} // namespace
} // namespace corvane
