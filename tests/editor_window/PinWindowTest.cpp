// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Annotation.h"
#include "editor/CanvasView.h"
#include "editor/EditorWindowController.h"
#include "editor/PinWindow.h"
#include "ocr/FakeRecognizer.h"
#include "ocr/TextCopy.h"
#include "output/HUD.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWheelEvent>
#include <array>
#include <gtest/gtest.h>
#include <tuple>

namespace corvane {
namespace {

TEST(PinArithmetic, WheelStepsZoomAndFadeWithinTheirLimitsAndZoomKeepsThePointUnderThePointer)
{
    const std::array<double, 3> zooms[] = {{1, 1, 1.25}, {1, -1, 0.8}, {1, 2, 1.5625},   {3.5, 1, 4},
                                           {4, 1, 4},    {1, 7, 4},    {1, -7, 0.25},    {0.25, -1, 0.25}};
    for (const auto& [zoom, steps, after] : zooms)
        EXPECT_DOUBLE_EQ(pinZoomAfter(zoom, int(steps)), after) << zoom << " " << steps;
    const std::array<double, 3> fades[] = {{1, -1, 0.9},  {1, 1, 1},       {0.5, 3, 0.8},
                                           {1, -10, 0.2}, {0.2, -1, 0.2}, {0.3, -1, 0.2}};
    for (const auto& [opacity, steps, after] : fades)
        EXPECT_DOUBLE_EQ(pinOpacityAfter(opacity, int(steps)), after) << opacity << " " << steps;
    const std::tuple<QPointF, double, QRectF> around[] = {{{200, 200}, 1.25, {75, 75, 500, 375}},
                                                          {{100, 100}, 1.25, {100, 100, 500, 375}},
                                                          {{500, 400}, 0.8, {180, 160, 320, 240}},
                                                          {{300, 250}, 4, {-500, -350, 1600, 1200}}};
    for (const auto& [pointer, to, after] : around)
        EXPECT_EQ(pinZoomedAround({100, 100, 400, 300}, pointer, 1, to), after) << to;
}

class Pins : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (PinWindow* pin : std::vector(PinWindow::openPins()))
            pin->close();
        for (EditorWindowController* editor : std::vector(EditorWindowController::openEditors()))
            editor->close();
        delete HUD::currentToast();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        TextCopy::setRecognizer(nullptr);
    }

    static void wheel(QWidget* widget, QPoint at, int notches, Qt::KeyboardModifiers modifiers = {})
    {
        QWheelEvent event(at, widget->mapToGlobal(at), {}, {0, notches * 120}, Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &event);
    }
};

// Where a pin appears, its drag and its zoom around the pointer are e2e.capture.pin-to-screen's.
TEST_F(Pins, APinFadesWithCtrlAndTheWheelClosesWithEscapeAndOpensAnEditorOnDoubleClick)
{
    // 800 x 600 pixels from a ratio-2 monitor are 400 x 300 logical pixels.
    QImage picture(800, 600, QImage::Format_RGB32);
    picture.fill(qRgb(20, 120, 220));
    PinWindow* pin = PinWindow::pin(picture, 2, QRectF(50, 60, 400, 300));
    PinWindow* other = PinWindow::pin(picture, 2, QRectF(500, 60, 400, 300));
    EXPECT_EQ(PinWindow::openPins(), (std::vector{pin, other}));
    EXPECT_EQ(pin->geometry(), QRect(48, 58, 404, 304));
    wheel(pin, {102, 102}, -2, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(pin->windowOpacity(), 0.8);
    EXPECT_DOUBLE_EQ(pin->zoom(), 1);

    QTest::mouseDClick(pin, Qt::LeftButton, {}, {10, 10});
    ASSERT_EQ(EditorWindowController::openEditors().size(), 1u);
    EXPECT_EQ(EditorWindowController::openEditors()[0]->canvas()->baseImage().size(), QSize(800, 600));
    QTest::keyClick(pin, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(PinWindow::openPins(), std::vector{other});
    EXPECT_EQ(PinWindow::pin(QImage(), 1, {}), nullptr);
}

TEST_F(Pins, SaveAsKeepsThePixelsAndTheScale)
{
    QTemporaryDir folder;
    QImage picture(120, 80, QImage::Format_RGB32);
    picture.fill(qRgb(200, 30, 90));
    PinWindow* pin = PinWindow::pin(picture, 2, QRectF(10, 10, 60, 40));
    int errors = 0;
    pin->setDialogs({[&folder](QWidget*, const QString&) { return folder.filePath("pinned.tif"); },
                     [&errors](QWidget*, const QString&) { ++errors; }});
    pin->saveImageAs();
    const QImage saved(folder.filePath("pinned.tif"));
    EXPECT_EQ(saved.size(), QSize(120, 80));
    EXPECT_EQ(saved.pixel(3, 3), qRgb(200, 30, 90));
    EXPECT_EQ(qRound(saved.dotsPerMeterX() * 0.0254), 144);
    EXPECT_EQ(errors, 0);
}

TEST_F(Pins, TheEditorReadsAndPinsTheFlattenedPicture)
{
    auto fake = std::make_shared<FakeRecognizer>(QStringLiteral("text"));
    TextCopy::setRecognizer(fake);
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(Qt::white);
    EditorWindowController* editor = EditorWindowController::open(picture, 2);
    editor->canvas()->addAnnotation(std::make_shared<Annotation>(Annotation::Kind::rectangle, QPointF(0, 0),
                                                                 QPointF(200, 150), QColor(Qt::black), 20.0, 24.0,
                                                                 QString()));
    editor->copyText();
    ASSERT_TRUE(QTest::qWaitFor([&fake] { return !fake->seen().isNull(); }, 10000));
    // Ratio 2: not enlarged, a 12-pixel margin; the rectangle's edge is in what was read.
    const QImage seen = fake->seen();
    EXPECT_EQ(seen.size(), QSize(424, 324));
    EXPECT_LT(qGray(seen.pixel(12 + 2, 12 + 50)), 60);

    editor->pinToScreen();
    ASSERT_EQ(PinWindow::openPins().size(), 1u);
    EXPECT_EQ(PinWindow::openPins()[0]->pictureGeometry().size(), QSizeF(200, 150));

    TextCopy::setRecognizer(std::make_shared<FakeRecognizer>(QStringLiteral("x"), QStringLiteral("Install it")));
    QAction* copyText = nullptr;
    QMenu* edit = editor->menuBar()->actions().at(2)->menu();
    emit edit->aboutToShow();
    for (QAction* item : edit->actions())
        copyText = item->text() == "Copy Text" ? item : copyText;
    ASSERT_NE(copyText, nullptr);
    EXPECT_FALSE(copyText->isEnabled());
    EXPECT_EQ(copyText->toolTip(), "Install it");
}

} // namespace
} // namespace corvane
