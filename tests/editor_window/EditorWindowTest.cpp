// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"
#include "editor/CanvasTestSupport.h"
#include "editor/EditorToolbar.h"
#include "editor/EditorGeometry.h"
#include "editor/EditorWindowController.h"
#include "editor/ImageFile.h"
#include "editor/PictureOpener.h"
#include "editor/ZoomView.h"
#include "output/HUD.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QtEndian>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace corvane {
namespace {

using namespace canvastest;
using Editor = EditorWindowController;

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Qt writes a resolution into every PNG; a file from elsewhere may carry none.
QByteArray withoutChunk(QByteArray png, const QByteArray& type)
{
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const auto length = qFromBigEndian<quint32>(png.constData() + at);
        if (png.mid(at + 4, 4) == type)
            return png.remove(at, 12 + length);
        at += 12 + length;
    }
    return png;
}

QAction* menuItem(QMainWindow* window, const QString& menu, const QString& title)
{
    for (QAction* top : window->menuBar()->actions()) {
        if (top->text() != menu)
            continue;
        for (QAction* item : top->menu()->actions()) {
            if (item->text() == title)
                return item;
        }
    }
    return nullptr;
}

// Every editor gets a fresh home (so the Desktop is a temporary folder) and scripted dialogs.
class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        setEnv("HOME", home.path());
        setEnv("XDG_CONFIG_HOME", home.filePath("config"));
        ASSERT_TRUE(QDir(home.path()).mkpath("Desktop"));
    }

    void TearDown() override
    {
        const std::vector<Editor*> editors = Editor::openEditors();
        for (Editor* editor : editors)
            editor->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete HUD::currentToast();
        for (const auto& [name, value] : savedEnv)
            value ? qputenv(name, *value) : qunsetenv(name);
        Editor::forgetLastSaveFolder();
    }

    void setEnv(const char* name, const QString& value)
    {
        savedEnv.emplace_back(name,
                              qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        qputenv(name, value.toUtf8());
    }

    Editor* open(QSize size = {400, 300}, double scale = 1, std::optional<QString> name = std::nullopt)
    {
        Editor* editor = Editor::open(plainImage(size.width(), size.height()), scale, name);
        editor->setDialogs({[this](QWidget*, const QString& proposed) {
                                proposedNames.append(proposed);
                                return nextPaths.isEmpty() ? QString() : nextPaths.takeFirst();
                            },
                            [this](QWidget*, const QString&) {
                                ++errors;
                            }});
        EXPECT_TRUE(QTest::qWaitForWindowActive(editor));
        return editor;
    }

    QStringList desktopFiles() const { return QDir(home.filePath("Desktop")).entryList(QDir::Files); }

    // Save to Desktop reports once the file is written on another thread.
    static bool waitForToast()
    {
        return QTest::qWaitFor([] { return HUD::currentToast() != nullptr; }, 20000);
    }

    // Keys reach the window the way a keyboard sends them: to the focused widget, the zoom view.
    static void key(Qt::Key k, Qt::KeyboardModifiers mods = {})
    {
        QTest::keyClick(QApplication::focusWidget(), k, mods);
    }

    static std::string enabledControls(const Editor* editor)
    {
        const EditorToolbar* bar = editor->toolbar();
        const std::pair<const char*, const QWidget*> controls[] = {{"undo", bar->undoButton()},
                                                                   {"delete", bar->deleteButton()},
                                                                   {"width", bar->widthPopUp()},
                                                                   {"size", bar->fontPopUp()}};
        QStringList names;
        for (const auto& [name, control] : controls) {
            if (control->isEnabled())
                names.append(name);
        }
        return names.join(' ').toStdString();
    }

    static void chooseTool(Editor* editor, ToolKind tool)
    {
        QTest::mouseClick(editor->toolbar()->toolSegment(tool), Qt::LeftButton);
    }

    std::vector<std::pair<const char*, std::optional<QByteArray>>> savedEnv;
    QTemporaryDir home;
    QStringList nextPaths;
    QStringList proposedNames;
    int errors = 0;
};

TEST(EditorGeometryTest, FitsThePictureInto85PercentOfTheScreen)
{
    const struct {
        QSize pixels;
        double scale;
        std::optional<QRectF> available;
        double width, height, magnification;
    } cases[] = {
        {{200, 100}, 1, QRectF(0, 25, 1440, 875), 620, 148, 1},
        {{800, 100}, 1, QRectF(0, 25, 1440, 875), 800, 148, 1},
        {{2880, 1800}, 2, QRectF(0, 25, 1440, 875), 1113.2, 743.75, 0.386528},
        {{3000, 400}, 1, QRectF(0, 25, 1440, 875), 1224, 211.2, 0.408},
        {{3000, 400}, 0.5, QRectF(0, 25, 1440, 875), 1224, 211.2, 0.408},
        {{200, 100}, 0.5, QRectF(0, 25, 1440, 875), 620, 148, 1},
        {{2880, 1800}, 2, std::nullopt, 1147.2, 765, 0.398333},
        {{40000, 30000}, 1, QRectF(0, 25, 1440, 875), 927.667, 743.75, 0.0231917},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.pixels.width() << " x " << c.pixels.height() << " at " << c.scale);
        const EditorGeometry g = editorGeometry(c.pixels, c.scale, c.available);
        EXPECT_NEAR(g.contentSize.width(), c.width, 0.001);
        EXPECT_NEAR(g.contentSize.height(), c.height, 0.001);
        EXPECT_NEAR(g.magnification, c.magnification, 0.000001);
    }
}

TEST_F(EditorWindow, OpenedViewHoldsTheMagnificationInItsLimits)
{
    const struct {
        QSize pixels;
        double scale, magnification;
    } cases[] = {{{200, 100}, 1, 1}, {{200, 8000}, 1, 0.1}, {{400, 300}, 16, 0.1}};
    for (const auto& c : cases) {
        Editor* editor = open(c.pixels, c.scale);
        EXPECT_DOUBLE_EQ(editor->scrollView()->magnification(), c.magnification) << c.pixels.height();
    }
    EXPECT_EQ(Editor::openEditors()[0]->centralWidget()->height(), 148);
}

TEST_F(EditorWindow, ToolbarNamesDigitKeysAndEnablesControlsFromTheCanvasState)
{
    Editor* editor = open();
    CanvasView& canvas = *editor->canvas();
    const QString tips[] = {"Select  (1)", "Rectangle  (2)",   "Ellipse  (3)", "Line  (4)", "Arrow  (5)",
                            "Text  (6)",   "Highlighter  (7)", "Pen  (8)",     "Step  (9)", "Redact  (0)"};
    for (ToolKind tool : ToolKinds::allCases)
        EXPECT_EQ(editor->toolbar()->toolSegment(tool)->toolTip(), tips[ToolKinds::rawValue(tool)]);
    EXPECT_EQ(enabledControls(editor), "width") << "fresh";
    drag(canvas, {50, 50}, {150, 120});
    EXPECT_EQ(enabledControls(editor), "undo width") << "rectangle drawn";
    chooseTool(editor, ToolKind::select);
    click(canvas, {50, 80});
    EXPECT_EQ(enabledControls(editor), "undo delete width") << "rectangle selected";
    chooseTool(editor, ToolKind::text);
    EXPECT_EQ(enabledControls(editor), "undo size") << "text tool";
    EXPECT_EQ(canvas.selected(), nullptr);
    click(canvas, {200, 200});
    QTest::keyClicks(canvas.textEditor(), "Hi");
    EXPECT_EQ(enabledControls(editor), "undo delete size") << "text typed";
    chooseTool(editor, ToolKind::select);
    click(canvas, {205, 205});
    EXPECT_EQ(enabledControls(editor), "undo delete width size") << "text selected";
    editor->selectTool(3);
    EXPECT_EQ(enabledControls(editor), "undo width") << "line from the menu";
    EXPECT_EQ(canvas.selected(), nullptr);
}

TEST_F(EditorWindow, SwatchRestylesTheSelectionButSelectingReadsNothingBack)
{
    Editor* editor = open();
    CanvasView& canvas = *editor->canvas();
    canvas.addAnnotation(std::make_shared<Annotation>(Kind::rectangle, QPointF(50, 50), QPointF(150, 120),
                                                      QColor(0x00, 0x7A, 0xFF), 12, 64, QString()));
    editor->selectTool(0);
    click(canvas, {50, 80});
    ASSERT_NE(canvas.selected(), nullptr);
    EXPECT_EQ(editor->toolbar()->shownColor(), QColor(0xFF, 0x3B, 0x30));
    EXPECT_EQ(editor->toolbar()->widthPopUp()->currentIndex(), 2);
    EXPECT_EQ(editor->toolbar()->fontPopUp()->currentIndex(), 3);

    QTest::mouseClick(editor->toolbar()->swatch(6), Qt::LeftButton);
    EXPECT_EQ(editor->toolbar()->shownColor(), QColor(Qt::black));
    EXPECT_EQ(fields(*canvas.annotations().at(0)), "kind 0 (50, 50) (150, 120) #000000 width 3 font 64 ''");
    ASSERT_TRUE(canvas.undo());
    EXPECT_EQ(fields(*canvas.annotations().at(0)), "kind 0 (50, 50) (150, 120) #007aff width 12 font 64 ''");
    EXPECT_EQ(drainUndo(canvas), 1) << "left: the selecting click";
}

TEST_F(EditorWindow, ZoomStepsByAQuarterWithinItsLimits)
{
    using Op = void (Editor::*)();
    Editor* editors[] = {open({400, 300}, 1), open({400, 300}, 2)};
    const struct {
        int scale;
        double from;
        Op op;
        double to;
    } cases[] = {
        {1, 1, &Editor::zoomIn, 1.25},    {1, 1.25, &Editor::zoomIn, 1.5625}, {1, 1, &Editor::zoomOut, 0.8},
        {1, 0.1, &Editor::zoomOut, 0.1},  {1, 8, &Editor::zoomIn, 8},         {1, 7, &Editor::zoomIn, 8},
        {2, 3, &Editor::zoomActual, 0.5}, {1, 3, &Editor::zoomActual, 1},
    };
    for (const auto& c : cases) {
        Editor* editor = editors[c.scale - 1];
        editor->scrollView()->setMagnification(c.from);
        (editor->*c.op)();
        EXPECT_DOUBLE_EQ(editor->scrollView()->magnification(), c.to) << c.from;
    }
}

TEST_F(EditorWindow, DigitKeysChooseToolsUnlessTypingOrCtrlIsHeld)
{
    Editor* editor = open();
    CanvasView& canvas = *editor->canvas();
    const struct {
        Qt::Key key;
        ToolKind tool;
    } cases[] = {{Qt::Key_3, ToolKind::ellipse}, {Qt::Key_1, ToolKind::select},
                 {Qt::Key_6, ToolKind::text},    {Qt::Key_7, ToolKind::highlighter},
                 {Qt::Key_8, ToolKind::pen},     {Qt::Key_9, ToolKind::step},
                 {Qt::Key_0, ToolKind::redact}};
    for (const auto& c : cases) {
        editor->selectTool(1);
        key(c.key);
        EXPECT_EQ(canvas.tool(), c.tool) << c.key;
        EXPECT_TRUE(editor->toolbar()->toolSegment(c.tool)->isChecked()) << c.key;
    }

    // With the menu item out of the way, Ctrl+3 reaches the window's own key handling, which must ignore it.
    editor->selectTool(1);
    QAction* ellipseItem = menuItem(editor, "Tools", "Ellipse");
    ellipseItem->setEnabled(false);
    key(Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(canvas.tool(), ToolKind::rectangle);
    ellipseItem->setEnabled(true);
    key(Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(canvas.tool(), ToolKind::ellipse) << "the Tools menu's shortcut";
    menuItem(editor, "Tools", "Arrow")->trigger();
    EXPECT_EQ(canvas.tool(), ToolKind::arrow);

    editor->selectTool(5);
    click(canvas, {100, 100});
    ASSERT_NE(canvas.textEditor(), nullptr);
    QTest::keyClick(canvas.textEditor(), Qt::Key_3);
    EXPECT_EQ(canvas.textEditor()->toPlainText(), "3");
    EXPECT_EQ(canvas.tool(), ToolKind::text);
}

TEST_F(EditorWindow, SaveAsChoosesTheFormatBySuffixAndRenamesTheEditorUnlessCancelled)
{
    Editor* editor = open();
    const struct {
        const char *file, *head, *proposed;
    } cases[] = {{"odd.xyz", "\x89PNG", nullptr},
                 {"scan.tif", "II*", "odd.png"},
                 {"photo.jpeg", "\xFF\xD8\xFF", "scan.png"},
                 {"picture.jpg", "\xFF\xD8\xFF", "photo.png"}};
    for (const auto& c : cases) {
        nextPaths = {home.filePath(c.file)};
        delete HUD::currentToast();
        editor->saveDocumentAs();
        EXPECT_TRUE(fileBytes(home.filePath(c.file)).startsWith(c.head)) << c.file;
        EXPECT_EQ(editor->windowTitle(), QStringLiteral("Corvane Editor — %1").arg(c.file));
        EXPECT_EQ(editor->suggestedName(), QFileInfo(c.file).baseName());
        EXPECT_NE(HUD::currentToast(), nullptr) << c.file;
        // The first Save As starts on the Desktop, each later one in the folder saved to.
        EXPECT_EQ(QFileInfo(proposedNames.last()).absolutePath(),
                  c.proposed ? home.path() : home.filePath("Desktop"));
        const QString proposed = QFileInfo(proposedNames.last()).fileName();
        if (c.proposed)
            EXPECT_EQ(proposed, c.proposed);
        else
            EXPECT_TRUE(proposed.startsWith("Screenshot 2") && proposed.endsWith(".png"))
                << proposed.toStdString();
    }
    delete HUD::currentToast();
    editor->saveDocument();
    EXPECT_TRUE(waitForToast());
    EXPECT_EQ(desktopFiles(), QStringList{"picture.png"});
    editor->saveDocumentAs();
    EXPECT_EQ(proposedNames.last(), home.filePath("picture.png")) << "and cancelled:";
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files),
              (QStringList{"odd.xyz", "photo.jpeg", "picture.jpg", "scan.tif"}));
    EXPECT_EQ(editor->windowTitle(), "Corvane Editor — picture.jpg");
    EXPECT_EQ(errors, 0);
}

TEST_F(EditorWindow, FailedSaveAsKeepsTheOldFileTitleAndName)
{
    Editor* editor = open({400, 300}, 1, "before");
    writeBytes(home.filePath("folder"), "not a folder");
    writeBytes(home.filePath("old.png"), "old bytes");
    const struct {
        const char* target;
        // A file-size cap fails the write partway, as a full disk does; as root, permissions would not.
        rlim_t sizeLimit;
    } cases[] = {{"folder/picture.png", RLIM_INFINITY}, {"old.png", 64}};
    for (const auto& c : cases) {
        errors = 0;
        nextPaths = {home.filePath(c.target)};
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = std::min(c.sizeLimit, saved.rlim_max);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limited);
        editor->saveDocumentAs();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(errors, 1) << c.target;
        EXPECT_TRUE(editor->windowTitle().startsWith("Corvane Editor — Screenshot 2")) << c.target;
        EXPECT_EQ(editor->suggestedName(), "before") << c.target;
        EXPECT_EQ(HUD::currentToast(), nullptr) << c.target;
    }
    EXPECT_TRUE(fileBytes(home.filePath("folder")) == "not a folder");
    const QByteArray old = fileBytes(home.filePath("old.png"));
    EXPECT_TRUE(old == "old bytes") << "old.png now holds " << old.size() << " bytes starting "
                                    << old.left(4).toHex().toStdString();
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), (QStringList{"folder", "old.png"})) << "no debris";
}

TEST_F(EditorWindow, EachSaveToDesktopAddsAFile)
{
    Editor* editor = open();
    editor->saveDocument();
    editor->saveDocument();
    // The files are written in the background; each toast follows its finished file.
    EXPECT_TRUE(QTest::qWaitFor([&] { return desktopFiles().size() == 2; }, 20000));
    EXPECT_TRUE(waitForToast());
    const QStringList files = desktopFiles();
    ASSERT_EQ(files.size(), 2);
    for (const QString& f : files)
        EXPECT_TRUE(f.startsWith("Screenshot ") && f.endsWith(".png")) << f.toStdString();
    EXPECT_NE(HUD::currentToast(), nullptr);
    EXPECT_TRUE(editor->windowTitle().startsWith("Corvane Editor — Screenshot 2"))
        << editor->windowTitle().toStdString();
}

TEST_F(EditorWindow, ClosingLeavesTheRegistryAndKeepsTheTypedText)
{
    Editor* first = open();
    Editor* second = open();
    EXPECT_EQ(Editor::openEditors(), (std::vector{first, second}));
    first->activateWindow();
    first->selectTool(5);
    click(*first->canvas(), {100, 100});
    const AnnotationPtr typed = first->canvas()->editingAnnotation();
    ASSERT_NE(typed, nullptr);
    QTest::keyClicks(first->canvas()->textEditor(), "Hi 42");
    const QPointer<Editor> closed = first;
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(typed->text, "Hi 42");
    EXPECT_EQ(Editor::openEditors(), std::vector{second});
    EXPECT_TRUE(closed.isNull());
}

TEST_F(EditorWindow, CopyImagePutsTheFlattenedPictureOnTheClipboard)
{
    Editor* editor = open({300, 200}, 2);
    QGuiApplication::clipboard()->clear();
    editor->copyImage();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    ASSERT_FALSE(data->formats().isEmpty());
    EXPECT_EQ(data->formats().first(), "image/png");
    EXPECT_EQ(QImage::fromData(data->data("image/png"), "PNG").size(), QSize(300, 200));
    EXPECT_NE(HUD::currentToast(), nullptr);
}

TEST_F(EditorWindow, MenuBarCarriesTheCommandsAndTheirKeys)
{
    Editor* editor = open();
    QStringList menus;
    for (const QAction* top : editor->menuBar()->actions())
        menus.append(top->text());
    EXPECT_EQ(menus, (QStringList{"Corvane", "File", "Edit", "Tools", "Window"}));
    QStringList tools;
    for (const QAction* item : editor->menuBar()->actions().at(3)->menu()->actions())
        tools.append(item->isSeparator() ? "-" : item->text() + " " + item->shortcut().toString());
    EXPECT_EQ(tools, (QStringList{"Select Ctrl+1", "Rectangle Ctrl+2", "Ellipse Ctrl+3", "Line Ctrl+4",
                                  "Arrow Ctrl+5", "Text Ctrl+6", "Highlighter Ctrl+7", "Pen Ctrl+8",
                                  "Step Ctrl+9", "Redact\t0 ", "-", "Pixelate Redaction ", "Solid Redaction ",
                                  "-", "Zoom In Ctrl++", "Zoom Out Ctrl+-", "Actual Size Ctrl+0",
                                  "Zoom to Fit Ctrl+Shift+0"}));
    const struct {
        const char *menu, *title, *keys;
    } items[] = {{"File", "New Capture", "Ctrl+N"},
                 {"File", "Save to Desktop", "Ctrl+Shift+S"},
                 {"File", "Save As…", "Ctrl+S"},
                 {"Edit", "Copy Image to Clipboard", "Ctrl+Alt+C"},
                 {"Edit", "Crop to Selection", "Ctrl+Shift+X"},
                 {"File", "Pin to Screen", "Ctrl+P"},
                 {"Edit", "Copy Text", "Ctrl+Shift+T"}};
    for (const auto& i : items) {
        const QAction* item = menuItem(editor, i.menu, QString::fromUtf8(i.title));
        ASSERT_NE(item, nullptr) << i.title;
        EXPECT_EQ(item->shortcut().toString(), i.keys) << i.title;
    }
}

TEST_F(EditorWindow, PictureFilesOpenUprightAtTheirRecordedScaleOrNotAtAll)
{
    QImage picture = plainImage(60, 40);
    for (const auto& [file, dotsPerMeter] : {std::pair{"Shot 1.png", 5669}, {"seventy-two.png", 2835}}) {
        picture.setDotsPerMeterX(dotsPerMeter);
        picture.setDotsPerMeterY(dotsPerMeter);
        ASSERT_TRUE(picture.save(home.filePath(file)));
    }
    writeBytes(home.filePath("bare.png"), withoutChunk(fileBytes(home.filePath("seventy-two.png")), "pHYs"));
    ASSERT_FALSE(fileBytes(home.filePath("bare.png")).contains("pHYs"));
    // Qt's writer turns the pixels instead of recording an orientation, so the tag is put in by hand:
    // an Exif segment whose one entry is Orientation (0x0112) = 6, turn clockwise to view.
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "JPEG"));
    jpeg.insert(2, QByteArray::fromHex("ffe10022457869660000"
                                       "4d4d002a00000008"
                                       "0001011200030000000100060000"
                                       "00000000"));
    writeBytes(home.filePath("turned.jpg"), jpeg);
    QImageReader raw(home.filePath("turned.jpg"));
    raw.setAutoTransform(false);
    ASSERT_EQ(raw.read().size(), QSize(60, 40)) << "the pixels are stored unturned";
    writeBytes(home.filePath("x.png"), QByteArray::fromHex("5d1f00c7a2e9334b8810ffee0142aa17c3"));

    // Decoded here rather than in a helper process, which would be this test program.
    PictureOpener::setDecoder(std::make_shared<InProcessDecoder>());
    const struct {
        const char* file;
        QSize size; // empty: the file opens nothing
        double scale;
        bool accepted; // the file could be opened for reading: the answer comes before decoding
    } cases[] = {{"Shot 1.png", {60, 40}, 2, true},
                 {"seventy-two.png", {60, 40}, 1, true},
                 {"bare.png", {60, 40}, 1, true},
                 {"turned.jpg", {40, 60}, 1, true},
                 {"x.png", {}, 0, true},
                 {"missing.png", {}, 0, false}};
    for (const auto& c : cases) {
        const auto opened = loadImageFile(home.filePath(c.file));
        EXPECT_EQ(opened ? opened->image.size() : QSize(), c.size) << c.file;
        EXPECT_EQ(opened ? opened->scale : 0, c.scale) << c.file;
        EXPECT_EQ(AppDelegate::openInEditor(home.filePath(c.file)), c.accepted) << c.file;
        ASSERT_TRUE(QTest::qWaitFor([] { return PictureOpener::pending() == 0; })) << c.file;
    }
    ASSERT_EQ(Editor::openEditors().size(), 4u);
    EXPECT_EQ(Editor::openEditors()[0]->suggestedName(), "Shot 1");
    EXPECT_EQ(Editor::openEditors()[0]->canvas()->contentScale(), 2);
    EXPECT_EQ(Editor::openEditors()[3]->canvas()->baseImage().size(), QSize(40, 60));
}

TEST_F(EditorWindow, OpenedFilesNameTheirWindowAndSaveAsStartsBesideThemUntilSomethingIsSaved)
{
    ASSERT_TRUE(QDir(home.path()).mkpath("pictures"));
    ASSERT_TRUE(plainImage(60, 40).save(home.filePath("pictures/Shot 1.png")));
    PictureOpener::setDecoder(std::make_shared<InProcessDecoder>());
    ASSERT_TRUE(AppDelegate::openInEditor(home.filePath("pictures/Shot 1.png")));
    ASSERT_TRUE(QTest::qWaitFor([] { return PictureOpener::pending() == 0; }));
    ASSERT_FALSE(Editor::openEditors().empty());
    Editor* opened = Editor::openEditors().back();
    EXPECT_EQ(opened->windowTitle(), "Corvane Editor — Shot 1.png");
    Editor* captured = open();
    EXPECT_TRUE(captured->windowTitle().startsWith("Corvane Editor — Screenshot 2"))
        << captured->windowTitle().toStdString();
    opened->setDialogs(captured->dialogs());

    const struct {
        Editor* editor;
        const char* chosen; // where the dialog saves, none when cancelled
        const char* proposed;
    } cases[] = {{opened, nullptr, "pictures/Shot 1.png"},
                 {captured, nullptr, "Desktop/Screenshot"},
                 {captured, "elsewhere.png", "Desktop/Screenshot"},
                 {opened, nullptr, "elsewhere/Shot 1.png"},
                 {captured, nullptr, "elsewhere/elsewhere.png"}};
    ASSERT_TRUE(QDir(home.path()).mkpath("elsewhere"));
    for (const auto& c : cases) {
        nextPaths =
            c.chosen ? QStringList{home.filePath(QStringLiteral("elsewhere/") + c.chosen)} : QStringList{};
        c.editor->saveDocumentAs();
        EXPECT_TRUE(proposedNames.last().startsWith(home.filePath(c.proposed)))
            << proposedNames.last().toStdString();
    }
}

TEST_F(EditorWindow, ZoomToFitShowsTheWholePictureAndCropWithNothingSelectedWaitsForADrag)
{
    Editor* editor = open({1600, 300}, 1);
    editor->zoomToFit();
    const QSize room = editor->scrollView()->maximumViewportSize();
    const double m = editor->scrollView()->magnification();
    EXPECT_LE(1600 * m, room.width() + 0.01);
    EXPECT_LE(300 * m, room.height() + 0.01);
    EXPECT_TRUE(std::abs(1600 * m - room.width()) < 0.01 || std::abs(300 * m - room.height()) < 0.01)
        << "one side fills the view";

    CanvasView& canvas = *editor->canvas();
    editor->cropToSelection();
    EXPECT_EQ(canvas.tool(), ToolKind::select);
    EXPECT_TRUE(editor->toolbar()->toolSegment(ToolKind::select)->isChecked());
    EXPECT_TRUE(canvas.isCropArmed());
    key(Qt::Key_2);
    EXPECT_FALSE(canvas.isCropArmed()) << "another tool ends it";
    EXPECT_EQ(canvas.baseImage().size(), QSize(1600, 300));
}

TEST(LaunchPath, IsTheArgumentAfterOpen)
{
    const struct {
        QStringList arguments;
        std::optional<QString> path;
    } cases[] = {{{"corvane", "--open", "a.png"}, "a.png"},
                 {{"corvane", "--open"}, std::nullopt},
                 {{"--open", "x"}, "x"},
                 {{"corvane", "a.png"}, std::nullopt},
                 {{"corvane"}, std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(openAtLaunchPath(c.arguments), c.path) << c.arguments.join(' ').toStdString();
}

} // namespace
} // namespace corvane
