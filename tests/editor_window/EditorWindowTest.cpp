// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/CanvasTestSupport.h"
#include "editor/EditorGeometry.h"
#include "editor/EditorToolbar.h"
#include "editor/EditorWindowController.h"
#include "editor/PinWindow.h"
#include "editor/ZoomView.h"
#include "ocr/FakeRecognizer.h"
#include "ocr/TextCopy.h"
#include "output/HUD.h"
#include "output/OutputTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolButton>
#include <QWheelEvent>
#include <array>
#include <gtest/gtest.h>
#include <tuple>

namespace corvane {
namespace {

using namespace canvastest;
using Editor = EditorWindowController;

TEST(EditorGeometryTest, FitsThePictureInto85PercentOfTheScreen)
{
    const QRectF screen(0, 25, 1440, 875);
    const struct {
        QSize pixels;
        double scale;
        std::optional<QRectF> available;
        double width, height, magnification;
    } cases[] = {
        {{200, 100}, 1, screen, 620, 148, 1},
        {{800, 100}, 1, screen, 800, 148, 1},
        {{2880, 1800}, 2, screen, 1113.2, 743.75, 0.386528},
        {{3000, 400}, 1, screen, 1224, 211.2, 0.408},
        {{3000, 400}, 0.5, screen, 1224, 211.2, 0.408},
        {{200, 100}, 0.5, screen, 620, 148, 1},
        {{2880, 1800}, 2, std::nullopt, 1147.2, 765, 0.398333},
        {{40000, 30000}, 1, screen, 927.667, 743.75, 0.0231917},
    };
    for (const auto& c : cases) {
        const EditorGeometry g = editorGeometry(c.pixels, c.scale, c.available);
        EXPECT_NEAR(g.contentSize.width(), c.width, 0.001) << c.pixels.width() << " at " << c.scale;
        EXPECT_NEAR(g.contentSize.height(), c.height, 0.001) << c.pixels.width() << " at " << c.scale;
        EXPECT_NEAR(g.magnification, c.magnification, 0.000001) << c.pixels.width() << " at " << c.scale;
    }
}

// Every editor gets a fresh home (so the Desktop is a temporary folder) and scripted dialogs.
class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        savedHome = qgetenv("HOME");
        qputenv("HOME", home.path().toUtf8());
        ASSERT_TRUE(QDir(home.path()).mkpath("Desktop"));
    }

    void TearDown() override
    {
        for (PinWindow* pin : std::vector(PinWindow::openPins()))
            pin->close();
        for (Editor* editor : std::vector(Editor::openEditors()))
            editor->close();
        TextCopy::setRecognizer(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete HUD::currentToast();
        qputenv("HOME", savedHome);
        Editor::forgetLastSaveFolder();
    }

    Editor* open(QSize size = {400, 300}, double scale = 1, const QString& source = {})
    {
        Editor* editor = Editor::open(
            plainImage(size.width(), size.height()), scale,
            source.isEmpty() ? std::nullopt : std::optional(QFileInfo(source).baseName()), source);
        editor->setDialogs(scripted());
        EXPECT_TRUE(QTest::qWaitForWindowActive(editor));
        return editor;
    }

    SaveDialogs scripted()
    {
        return {[this](QWidget*, const QString& proposed) {
                    proposedNames.append(proposed);
                    return nextPaths.isEmpty() ? QString() : nextPaths.takeFirst();
                },
                [this](QWidget*, const QString&) {
                    ++errors;
                }};
    }

    QByteArray savedHome;
    QTemporaryDir home;
    QStringList nextPaths;
    QStringList proposedNames;
    int errors = 0;
};

TEST_F(EditorWindow, SwatchRestylesTheSelectionButSelectingReadsNothingBack)
{
    Editor* editor = open();
    CanvasView& canvas = *editor->canvas();
    canvas.addAnnotation(std::make_shared<Annotation>(Kind::rectangle, QPointF(50, 50), QPointF(150, 120),
                                                      QColor(0x00, 0x7A, 0xFF), 12, 64, QString()));
    editor->selectTool(0);
    click(canvas, {50, 80});
    ASSERT_NE(canvas.selected(), nullptr);
    const EditorToolbar& bar = *editor->toolbar();
    EXPECT_EQ(
        (std::tuple{bar.shownColor(), bar.widthPopUp()->currentIndex(), bar.fontPopUp()->currentIndex()}),
        (std::tuple{QColor(0xFF, 0x3B, 0x30), 2, 3}));
    QTest::mouseClick(bar.swatch(6), Qt::LeftButton);
    EXPECT_EQ(bar.shownColor(), QColor(Qt::black));
    EXPECT_EQ(fields(*canvas.annotations().at(0)), "kind 0 (50, 50) (150, 120) #000000 width 3 font 64 ''");
    ASSERT_TRUE(canvas.undo());
    EXPECT_EQ(fields(*canvas.annotations().at(0)), "kind 0 (50, 50) (150, 120) #007aff width 12 font 64 ''");
    EXPECT_EQ(drainUndo(canvas), 1) << "left: the selecting click";
}

TEST_F(EditorWindow, ZoomStepsByAQuarterWithinItsLimitsAndFitsTheWholePicture)
{
    using Op = void (Editor::*)();
    Editor* editors[] = {open({400, 300}, 1), open({400, 300}, 2)};
    const struct {
        int scale;
        double from;
        Op op;
        double to;
    } cases[] = {
        {1, 1.25, &Editor::zoomIn, 1.5625}, {1, 1, &Editor::zoomOut, 0.8},    {1, 0.1, &Editor::zoomOut, 0.1},
        {1, 7, &Editor::zoomIn, 8},         {2, 3, &Editor::zoomActual, 0.5}, {1, 3, &Editor::zoomActual, 1},
    };
    for (const auto& c : cases) {
        Editor* editor = editors[c.scale - 1];
        editor->scrollView()->setMagnification(c.from);
        (editor->*c.op)();
        EXPECT_DOUBLE_EQ(editor->scrollView()->magnification(), c.to) << c.from;
    }
    // Opened, the view holds the first magnification within the same limits.
    EXPECT_DOUBLE_EQ(open({200, 8000}, 1)->scrollView()->magnification(), 0.1);
    EXPECT_DOUBLE_EQ(open({400, 300}, 16)->scrollView()->magnification(), 0.1);

    Editor* wide = open({1600, 300}, 1);
    wide->zoomToFit();
    const QSize room = wide->scrollView()->maximumViewportSize();
    const double m = wide->scrollView()->magnification();
    EXPECT_TRUE(1600 * m <= room.width() + 0.01 && 300 * m <= room.height() + 0.01);
    EXPECT_TRUE(std::abs(1600 * m - room.width()) < 0.01 || std::abs(300 * m - room.height()) < 0.01)
        << "one side fills the view";
}

// Zoomed out, the picture is shrunk once and kept: after a move to a monitor of another ratio, or a crop,
// the kept one must not be shown.
TEST_F(EditorWindow, AZoomedOutPictureFollowsTheScreensRatioAndACrop)
{
    QImage picture(800, 400, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QPainter(&picture).fillRect(400, 0, 400, 400, Qt::blue);
    Editor* editor = Editor::open(picture, 1);
    ZoomView* view = editor->scrollView();
    const struct {
        double ratio;
        bool crop;
        QPointF point;
        QColor colour;
    } steps[] = {
        {1, false, {380, 200}, Qt::red},    {1, false, {780, 380}, Qt::blue}, {1.5, false, {780, 380}, Qt::blue},
        {1.5, false, {420, 200}, Qt::blue}, {2, false, {420, 200}, Qt::blue}, {1, false, {380, 200}, Qt::red},
        {1, true, {100, 200}, Qt::blue},
    };
    for (const auto& step : steps) {
        if (step.crop) {
            ASSERT_TRUE(editor->canvas()->cropTo(QRectF(400, 0, 400, 400)));
        }
        view->setMagnification(0.5);
        QImage shown(view->viewport()->size() * step.ratio, QImage::Format_RGB32);
        shown.setDevicePixelRatio(step.ratio);
        view->viewport()->render(&shown);
        const QPoint at = (QPointF(view->mapFromScene(step.point)) * step.ratio).toPoint();
        EXPECT_EQ(QColor(shown.pixel(at)), step.colour) << "ratio " << step.ratio << " crop " << step.crop
                                                        << " at " << step.point.x() << ", " << step.point.y();
    }
}

// The digits themselves choose the tools in every e2e.editor case.
TEST_F(EditorWindow, DigitKeysChooseNoToolWhileTypingAndEndAnArmedCrop)
{
    Editor* editor = open();
    CanvasView& canvas = *editor->canvas();
    // Keys go where a keyboard sends them, to the focused widget (the zoom view).
    editor->cropToSelection();
    EXPECT_TRUE(editor->toolbar()->toolSegment(ToolKind::select)->isChecked());
    EXPECT_TRUE(canvas.isCropArmed());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_2);
    EXPECT_FALSE(canvas.isCropArmed()) << "another tool ends it";
    EXPECT_TRUE(editor->toolbar()->toolSegment(ToolKind::rectangle)->isChecked());

    editor->selectTool(5);
    click(canvas, {100, 100});
    ASSERT_NE(canvas.textEditor(), nullptr);
    QTest::keyClick(canvas.textEditor(), Qt::Key_3);
    EXPECT_EQ(canvas.textEditor()->toPlainText(), "3");
    EXPECT_EQ(canvas.tool(), ToolKind::text);
}

// Save As writes the format its suffix names (PNG for any other) and renames the editor; it starts in
// the folder last saved to, else beside the opened file, else on the Desktop, with the editor's name.
TEST_F(EditorWindow, SaveAsChoosesTheFormatBySuffixRenamesTheEditorAndStartsWhereLastSaved)
{
    ASSERT_TRUE(QDir(home.path()).mkpath("pictures"));
    Editor* opened = open({60, 40}, 1, home.filePath("pictures/Shot 1.png"));
    Editor* captured = open();
    const struct {
        Editor* editor;
        const char *chosen, *head; // none: cancelled
        const char *proposed, *title;
    } cases[] = {{opened, nullptr, nullptr, "pictures/Shot 1.png", "Shot 1.png"},
                 {captured, nullptr, nullptr, "Desktop/Screenshot 2", "Screenshot 2"},
                 {captured, "odd.xyz", "\x89PNG", "Desktop/Screenshot 2", "odd.xyz"},
                 {captured, "scan.tif", "II*", "odd.png", "scan.tif"},
                 {captured, "photo.jpeg", "\xFF\xD8\xFF", "scan.png", "photo.jpeg"},
                 {captured, "picture.jpg", "\xFF\xD8\xFF", "photo.png", "picture.jpg"},
                 {opened, nullptr, nullptr, "Shot 1.png", "Shot 1.png"},
                 {captured, nullptr, nullptr, "picture.png", "picture.jpg"}};
    for (const auto& c : cases) {
        nextPaths = c.chosen ? QStringList{home.filePath(c.chosen)} : QStringList{};
        delete HUD::currentToast();
        c.editor->saveDocumentAs();
        EXPECT_TRUE(proposedNames.last().startsWith(home.filePath(c.proposed)))
            << proposedNames.last().toStdString();
        EXPECT_TRUE(c.editor->windowTitle().startsWith(QStringLiteral("Corvane Editor — ") + c.title))
            << c.editor->windowTitle().toStdString();
        EXPECT_EQ(HUD::currentToast() != nullptr, c.chosen != nullptr) << c.title;
        EXPECT_TRUE(!c.chosen || outputtest::readAll(home.filePath(c.chosen)).startsWith(c.head)) << c.title;
    }
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files),
              (QStringList{"odd.xyz", "photo.jpeg", "picture.jpg", "scan.tif"}));
}

// Where a pin appears, its drag, its zoom keeping the point under the pointer and Escape closing it
// are e2e.capture.pin-to-screen's.
TEST_F(EditorWindow, APinFadesWithCtrlAndTheWheelOpensAnEditorOnDoubleClickAndSavesAtItsScale)
{
    // 800 x 600 pixels from a ratio-2 monitor are 400 x 300 logical pixels.
    QImage picture(800, 600, QImage::Format_RGB32);
    picture.fill(qRgb(20, 120, 220));
    PinWindow* pin = PinWindow::pin(picture, 2, QRectF(50, 60, 400, 300));
    PinWindow* other = PinWindow::pin(picture, 2, QRectF(500, 60, 400, 300));
    EXPECT_EQ(PinWindow::openPins(), (std::vector{pin, other}));
    EXPECT_EQ(pin->geometry(), QRect(48, 58, 404, 304));
    QWheelEvent wheel({102, 102}, pin->mapToGlobal(QPoint(102, 102)), {}, {0, -240}, Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pin, &wheel);
    EXPECT_DOUBLE_EQ(pin->windowOpacity(), 0.8);
    EXPECT_DOUBLE_EQ(pin->zoom(), 1);

    QTest::mouseDClick(pin, Qt::LeftButton, {}, {10, 10});
    ASSERT_EQ(EditorWindowController::openEditors().size(), 1u);
    EXPECT_EQ(EditorWindowController::openEditors()[0]->canvas()->baseImage().size(), QSize(800, 600));
    EXPECT_EQ(PinWindow::openPins().size(), 2u) << "the pin stays";
    EXPECT_EQ(PinWindow::pin(QImage(), 1, {}), nullptr);

    pin->setDialogs(scripted());
    nextPaths = {home.filePath("pinned.tif")};
    pin->saveImageAs();
    const QImage saved(home.filePath("pinned.tif"));
    EXPECT_EQ(saved.size(), QSize(800, 600));
    EXPECT_EQ(saved.pixel(3, 3), qRgb(20, 120, 220));
    EXPECT_EQ(qRound(saved.dotsPerMeterX() * 0.0254), 144);
    EXPECT_EQ(errors, 0);
}

TEST_F(EditorWindow, TheEditorReadsAndPinsTheFlattenedPicture)
{
    auto fake = std::make_shared<FakeRecognizer>(QStringLiteral("text"));
    TextCopy::setRecognizer(fake);
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(Qt::white);
    EditorWindowController* editor = EditorWindowController::open(picture, 2);
    editor->canvas()->addAnnotation(std::make_shared<Annotation>(Annotation::Kind::rectangle, QPointF(0, 0),
                                                                 QPointF(200, 150), QColor(Qt::black), 20.0,
                                                                 24.0, QString()));
    editor->copyText();
    ASSERT_TRUE(QTest::qWaitFor([&fake] { return !fake->seen().isNull(); }, 10000));
    // Ratio 2: not enlarged, a 12-pixel margin; the rectangle's edge is in what was read.
    const QImage seen = fake->seen();
    EXPECT_EQ(seen.size(), QSize(424, 324));
    EXPECT_LT(qGray(seen.pixel(12 + 2, 12 + 50)), 60);

    editor->pinToScreen();
    ASSERT_EQ(PinWindow::openPins().size(), 1u);
    EXPECT_EQ(PinWindow::openPins()[0]->pictureGeometry().size(), QSizeF(200, 150));

    TextCopy::setRecognizer(
        std::make_shared<FakeRecognizer>(QStringLiteral("x"), QStringLiteral("Install it")));
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
