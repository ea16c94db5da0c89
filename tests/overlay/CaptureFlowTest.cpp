// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/OverlayView.h"
#include "capture/OverlayWindow.h"
#include "capture/ScreenCapturer.h"
#include "capture/SelectionOverlayController.h"
#include "flow/CaptureController.h"
#include "flow/DestinationMenu.h"
#include "editor/PinWindow.h"
#include "ocr/FakeRecognizer.h"
#include "ocr/TextCopy.h"
#include "output/HUD.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// Serves every screen as one flat colour at twice its logical size, and counts the grabs.
class FlatSource final : public CaptureSource {
public:
    explicit FlatSource(int* grabs)
        : m_grabs(grabs)
    {}
    bool available() override { return true; }
    QImage grab(const QScreen& screen) override
    {
        ++*m_grabs;
        QImage image(screen.geometry().size() * 2, QImage::Format_RGB32);
        image.fill(qRgb(10, 200, 30));
        return image;
    }
    QString refusalExplanation() const override { return {}; }

private:
    int* m_grabs;
};

class CaptureFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScreenCapturer::setSource(std::make_unique<FlatSource>(&grabs));
        controller.popUp = [this](QMenu& menu, QPoint location) {
            menuLocations.push_back(location);
            if (choice)
                choice(static_cast<DestinationMenu&>(menu));
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
    // Selects from (100, 50) to (300, 200) on the first monitor's overlay; false without an overlay.
    bool dragOnFirstOverlay()
    {
        OverlayView* view = firstOverlay();
        if (!view)
            return false;
        QTest::mousePress(view, Qt::LeftButton, {}, {100, 50});
        QTest::mouseMove(view, {300, 200});
        QTest::mouseRelease(view, Qt::LeftButton, {}, {300, 200});
        return true;
    }

    CaptureController& controller = CaptureController::shared();
    int grabs = 0;
    std::vector<QPoint> menuLocations;
    std::function<void(DestinationMenu&)> choice;
};

TEST_F(CaptureFlow, ASecondRequestWhileBusyIsDropped)
{
    controller.startRegionCapture();
    controller.startRegionCapture();
    controller.startFullScreenCapture();
    EXPECT_TRUE(controller.isBusy());
    OverlayView* view = firstOverlay();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(grabs, static_cast<int>(QGuiApplication::screens().size()));
    EXPECT_TRUE(controller.isBusy());
}

TEST_F(CaptureFlow, CancellingTheSelectionLeavesThePendingPictureAlone)
{
    controller.startFullScreenCapture(); // its menu is dismissed: the picture stays pending
    ASSERT_TRUE(QTest::qWaitFor([this] { return !controller.isBusy(); }, 2000));
    ASSERT_TRUE(controller.pending().has_value());
    const QImage waiting = controller.pending()->image;

    controller.startRegionCapture();
    OverlayView* view = firstOverlay();
    ASSERT_NE(view, nullptr);
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(controller.isBusy());
    EXPECT_EQ(controller.overlay(), nullptr);
    ASSERT_TRUE(controller.pending().has_value());
    EXPECT_EQ(controller.pending()->image.cacheKey(), waiting.cacheKey());
    EXPECT_EQ(menuLocations.size(), 1u);
}

TEST_F(CaptureFlow, ASelectionOpensTheMenuAtItsCornerAndCopiesItsPixels)
{
    choice = [](DestinationMenu& menu) {
        menu.copyAction->trigger();
    };
    controller.startRegionCapture();
    ASSERT_TRUE(dragOnFirstOverlay());

    ASSERT_EQ(menuLocations.size(), 1u);
    const QPoint screenOrigin = QGuiApplication::screens().front()->geometry().topLeft();
    EXPECT_EQ(menuLocations[0], screenOrigin + QPoint(106, 56));
    EXPECT_FALSE(controller.pending().has_value());
    const QImage copied =
        QImage::fromData(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/png")));
    EXPECT_EQ(copied.size(), QSize(400, 300));
    EXPECT_EQ(copied.pixel(0, 0), qRgb(10, 200, 30));
}

TEST_F(CaptureFlow, SaveToDesktopToastsAfterTheFinishedFileOrSaysItFailed)
{
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    choice = [](DestinationMenu& menu) {
        menu.desktopAction->trigger();
    };
    const struct {
        const char* what;
        bool desktopIsAFile;
        const char* toastStart;
    } cases[] = {{"a Desktop folder", false, "Saved Screenshot "}, {"a file in the way", true, "Could not save"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(home.filePath("Desktop")).removeRecursively();
        if (c.desktopIsAFile) {
            QFile file(home.filePath("Desktop"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
        }
        delete HUD::currentToast();
        controller.startFullScreenCapture();
        // The menu returns before the file is written; the toast comes once it is.
        ASSERT_TRUE(QTest::qWaitFor([] { return HUD::currentToast() != nullptr; }, 20000));
        const QString toast = HUD::currentToast()->accessibleName();
        EXPECT_TRUE(toast.startsWith(QLatin1String(c.toastStart))) << toast.toStdString();
        if (!c.desktopIsAFile) {
            const QString name = toast.mid(6);
            const QImage saved(home.filePath("Desktop/" + name));
            EXPECT_EQ(saved.size(), QGuiApplication::screens().front()->geometry().size() * 2);
            EXPECT_EQ(saved.pixel(5, 5), qRgb(10, 200, 30));
        }
    }
    delete HUD::currentToast();
    qputenv("HOME", oldHome);
}

TEST_F(CaptureFlow, PinToScreenPinsTheSelectionAtItsPlaceAndTheTrayPinsItAgain)
{
    choice = [](DestinationMenu& menu) {
        menu.pinAction->trigger();
    };
    controller.startRegionCapture();
    ASSERT_TRUE(dragOnFirstOverlay());
    const QPointF screenOrigin = QGuiApplication::screens().front()->geometry().topLeft();
    ASSERT_EQ(PinWindow::openPins().size(), 1u);
    EXPECT_EQ(PinWindow::openPins()[0]->pictureGeometry(), QRectF(screenOrigin + QPointF(100, 50), QSizeF(200, 150)));
    ASSERT_TRUE(controller.lastCapture().has_value());
    controller.pinLastCapture();
    ASSERT_EQ(PinWindow::openPins().size(), 2u);
    EXPECT_EQ(PinWindow::openPins()[1]->pictureGeometry(), PinWindow::openPins()[0]->pictureGeometry());
    // Idle, the tray keeps the picture as PNG bytes; pinned again it has its pixels back.
    controller.packLastCapture();
    EXPECT_TRUE(controller.lastCapture()->image.isNull());
    controller.pinLastCapture();
    ASSERT_EQ(PinWindow::openPins().size(), 3u);
    EXPECT_EQ(PinWindow::openPins()[2]->pictureGeometry(), PinWindow::openPins()[0]->pictureGeometry());
    ASSERT_EQ(controller.lastCapture()->image.size(), QSize(400, 300));
    EXPECT_EQ(controller.lastCapture()->image.pixel(7, 7), qRgb(10, 200, 30));
    for (PinWindow* pin : std::vector(PinWindow::openPins()))
        pin->close();
}

TEST_F(CaptureFlow, MenuKeysReachTheirDestinationsAndCopyTextNeedsLanguageData)
{
    const struct {
        const char* what;
        std::optional<QString> unavailable;
        Qt::Key key;
        const char* triggered;
    } cases[] = {
        {"Ctrl+T", std::nullopt, Qt::Key_T, "Copy Text"},
        {"Ctrl+P", std::nullopt, Qt::Key_P, "Pin to Screen"},
        {"Ctrl+E", std::nullopt, Qt::Key_E, "Open in Editor"},
        {"Ctrl+T without language data", QStringLiteral("Install the tesseract-ocr-eng package to copy text"),
         Qt::Key_T, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TextCopy::setRecognizer(std::make_shared<FakeRecognizer>(QString(), c.unavailable));
        DestinationMenu menu;
        EXPECT_EQ(menu.copyTextAction->isEnabled(), !c.unavailable);
        EXPECT_EQ(menu.copyTextAction->toolTip(), c.unavailable.value_or("Copy Text"));
        QString triggered;
        QObject::connect(&menu, &QMenu::triggered, [&triggered](QAction* action) { triggered = action->text(); });
        QTest::keyClick(&menu, c.key, Qt::ControlModifier);
        EXPECT_EQ(triggered, QString::fromUtf8(c.triggered));
    }
    TextCopy::setRecognizer(nullptr);
}

TEST_F(CaptureFlow, FinishingTwiceReachesTheCompletionOnce)
{
    SelectionOverlayController overlay;
    int calls = 0;
    const DisplayShot shot{QStringLiteral("MON"), QImage(200, 100, QImage::Format_RGB32),
                           QRectF(0, 0, 100, 50), 2, nullptr};
    overlay.begin({shot}, [&calls](std::optional<CaptureResult>) { ++calls; });
    overlay.finish(shot, QRectF(10, 10, 20, 20));
    overlay.finish(shot, std::nullopt);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(overlay.windows().empty());
}

} // namespace
} // namespace corvane
