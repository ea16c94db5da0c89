// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/EditorWindowController.h"

#include "annotation/Palette.h"
#include "editor/CanvasView.h"
#include "editor/EditorGeometry.h"
#include "editor/EditorToolbar.h"
#include "editor/MainMenuBuilder.h"
#include "editor/PinWindow.h"
#include "editor/ZoomView.h"
#include "output/HUD.h"
#include "output/ImageOutput.h"
#include "ocr/TextCopy.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace corvane {

namespace {

constexpr double zoomStep = 1.25;
const QString windowTitleBase = QStringLiteral("Corvane Editor");

std::vector<EditorWindowController*>& registry()
{
    static std::vector<EditorWindowController*> editors;
    return editors;
}

// Where the last Save As of this run went; shared by every editor window, forgotten on quitting.
QString& lastSaveFolder()
{
    static QString folder;
    return folder;
}

} // namespace

EditorWindowController* EditorWindowController::open(const QImage& image, double scale,
                                                     const std::optional<QString>& suggestedName,
                                                     const QString& sourcePath, QScreen* screen)
{
    auto* editor = new EditorWindowController(image, scale, suggestedName, sourcePath, screen);
    registry().push_back(editor);
    editor->show();
    editor->raise();
    editor->activateWindow();
    return editor;
}

const std::vector<EditorWindowController*>& EditorWindowController::openEditors()
{
    return registry();
}

void EditorWindowController::forgetLastSaveFolder()
{
    lastSaveFolder().clear();
}

EditorWindowController::EditorWindowController(const QImage& image, double scale,
                                               std::optional<QString> suggestedName,
                                               const QString& sourcePath, QScreen* onScreen)
    : m_canvas(new CanvasView(image, scale))
    , m_suggestedName(std::move(suggestedName))
    , m_sourceFolder(sourcePath.isEmpty() ? QString() : QFileInfo(sourcePath).absolutePath())
    , m_dialogs(SaveDialogs::standard())
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Titles that tell editors apart in the Window menu and the task bar.
    setWindowTitle(QStringLiteral("%1 — %2").arg(windowTitleBase, sourcePath.isEmpty()
                                                                      ? ImageOutput::defaultFileName()
                                                                      : QFileInfo(sourcePath).fileName()));
    QScreen* screen = onScreen ? onScreen : QGuiApplication::primaryScreen();
    if (screen)
        setScreen(screen);
    const EditorGeometry geometry = editorGeometry(
        image.size(), scale, screen ? std::optional<QRectF>(screen->availableGeometry()) : std::nullopt);
    m_canvas->setDelegate(this);
    m_canvas->setStrokeColor(Palette::red());
    m_canvas->setLineWidth(EditorToolbar::widths[EditorToolbar::initialWidthIndex]);
    m_canvas->setFontSize(EditorToolbar::fontSizes[EditorToolbar::initialFontIndex]);
    buildUI();
    MainMenuBuilder::install(*this, *this);
    m_scrollView->setMagnification(geometry.magnification);
    m_canvas->shrinkAhead(m_scrollView->magnification() * (screen ? screen->devicePixelRatio() : 1));

    // The content area (toolbar and view) gets the computed size; the menu bar comes on top of it.
    const QSize content = geometry.contentSize.toSize();
    resize(content.width(), content.height() + menuBar()->sizeHint().height());
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
    updateControls();
}

EditorWindowController::~EditorWindowController()
{
    m_canvas->setDelegate(nullptr);
    std::erase(registry(), this);
}

void EditorWindowController::populateForUITest()
{
    using K = Annotation::Kind;
    const auto add = [this](K kind, QPointF p1, QPointF p2, const QColor& color, double lineWidth,
                            double fontSize, const QString& text = QString()) {
        m_canvas->addAnnotation(std::make_shared<Annotation>(kind, p1, p2, color, lineWidth, fontSize, text));
    };
    add(K::rectangle, {140, 120}, {640, 420}, Palette::red(), 3, 24);
    add(K::ellipse, {760, 140}, {1180, 420}, Palette::blue(), 5, 24);
    add(K::arrow, {300, 780}, {720, 520}, Palette::orange(), 6, 24);
    add(K::text, {780, 640}, {1480, 730}, Palette::yellow(), 3, 28, QStringLiteral("Annotated with Corvane"));
    add(K::highlighter, {180, 480}, {620, 480}, Palette::yellow(), 3, 24);
    add(K::pen, {}, {}, Palette::green(), 5, 24);
    m_canvas->annotations().back()->points = {{80, 830}, {120, 880}, {170, 840}, {210, 900}, {260, 850}};
    m_canvas->annotations().back()->fitToPoints();
    // The steps sit inside the selected rectangle, whose handles are the only other white.
    for (const QPointF centre : {QPointF(230, 210), QPointF(330, 210)}) {
        const QRectF square = Annotation::stepSquare(centre, 24, m_canvas->contentScale());
        add(K::step, square.topLeft(), square.bottomRight(), Palette::purple(), 3, 24);
    }
    add(K::redaction, {1220, 300}, {1420, 420}, Palette::blue(), 3, 24);
    m_canvas->select(m_canvas->annotations().front());
}

void EditorWindowController::buildUI()
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_toolbar = new EditorToolbar;
    m_scrollView = new ZoomView(m_canvas);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_scrollView, 1);
    setCentralWidget(content);
    connectToolbar();
}

void EditorWindowController::connectToolbar()
{
    connect(m_toolbar, &EditorToolbar::toolChanged, this, &EditorWindowController::toolChanged);
    connect(m_toolbar, &EditorToolbar::colorChanged, this,
            [this](const QColor& c) { m_canvas->setStrokeColor(c); });
    connect(m_toolbar, &EditorToolbar::widthChanged, this, [this](double w) { m_canvas->setLineWidth(w); });
    connect(m_toolbar, &EditorToolbar::fontSizeChanged, this, [this](double s) { m_canvas->setFontSize(s); });
    connect(m_toolbar, &EditorToolbar::undoAction, this, [this] { m_canvas->undo(); });
    connect(m_toolbar, &EditorToolbar::deleteAction, this, [this] { m_canvas->deleteSelection(); });
    connect(m_toolbar, &EditorToolbar::copyAction, this, &EditorWindowController::copyImage);
    connect(m_toolbar, &EditorToolbar::saveAsAction, this, &EditorWindowController::saveDocumentAs);
    connect(m_toolbar, &EditorToolbar::redactionStyleChanged, this,
            [this](Annotation::RedactionStyle style) { m_canvas->setRedactionStyle(style); });
    connect(m_toolbar, &EditorToolbar::cropAction, this, &EditorWindowController::cropToSelection);
    connect(m_canvas, &CanvasView::pictureSizeChanged, this, &EditorWindowController::applySizeRule);
}

void EditorWindowController::applySizeRule()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const EditorGeometry geometry =
        editorGeometry(m_canvas->baseImage().size(), m_canvas->contentScale(),
                       screen ? std::optional<QRectF>(screen->availableGeometry()) : std::nullopt);
    m_scrollView->setMagnification(geometry.magnification);
    const QSize content = geometry.contentSize.toSize();
    resize(content.width(), content.height() + menuBar()->sizeHint().height());
}

void EditorWindowController::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    m_scrollView->setFocus(Qt::OtherFocusReason);
    m_canvas->setFocus(Qt::OtherFocusReason);
}

void EditorWindowController::toolChanged()
{
    const ToolKind tool = m_toolbar->shownTool();
    m_canvas->setTool(tool);
    if (tool != ToolKind::select)
        m_canvas->select(nullptr);
    m_canvas->commitTextEditing();
    updateControls();
}

void EditorWindowController::updateControls()
{
    const auto& selected = m_canvas->selected();
    const ToolKind tool = m_canvas->tool();
    const auto selectedIs = [&selected](Annotation::Kind kind) {
        return selected && selected->kind == kind;
    };
    // The text size also sizes step markers; line widths mean nothing to text, steps and redactions.
    const bool sized = tool == ToolKind::text || tool == ToolKind::step;
    m_toolbar->deleteButton()->setEnabled(selected != nullptr);
    m_toolbar->undoButton()->setEnabled(m_canvas->canUndo());
    m_toolbar->fontPopUp()->setEnabled(sized || selectedIs(Annotation::Kind::text) ||
                                       selectedIs(Annotation::Kind::step));
    m_toolbar->widthPopUp()->setEnabled(!sized && tool != ToolKind::redact);
    m_toolbar->redactionPopUp()->setEnabled(tool == ToolKind::redact ||
                                            selectedIs(Annotation::Kind::redaction));
}

void EditorWindowController::canvasSelectionDidChange(CanvasView*)
{
    updateControls();
}

void EditorWindowController::canvasContentDidChange(CanvasView*)
{
    updateControls();
}

QPoint EditorWindowController::toastAnchor() const
{
    const QRect frame = frameGeometry();
    return {frame.center().x(), frame.bottom() + 1 - 60};
}

QImage EditorWindowController::flattenedOrBeep()
{
    QImage picture = m_canvas->renderedImage();
    if (picture.isNull())
        QApplication::beep();
    return picture;
}

void EditorWindowController::copyImage()
{
    const QImage picture = flattenedOrBeep();
    if (picture.isNull())
        return;
    ImageOutput::copyToClipboard(picture, m_canvas->contentScale());
    HUD::show(QStringLiteral("Copied to clipboard"), toastAnchor());
}

void EditorWindowController::saveDocument()
{
    const QImage picture = flattenedOrBeep();
    if (picture.isNull())
        return;
    // The file is written in the background; the toast follows it, under this window if it is
    // still open and where toasts go otherwise.
    QPointer<EditorWindowController> self(this);
    ImageOutput::quickSaveInBackground(
        picture, m_canvas->contentScale(), m_suggestedName,
        [self, failure = quickSaveFailure(currentQuickSave())](const std::optional<QString>& path) {
            const std::optional<QPoint> anchor = self ? std::optional(self->toastAnchor()) : std::nullopt;
            if (path)
                HUD::show(QStringLiteral("Saved %1").arg(QFileInfo(*path).fileName()), anchor);
            else
                HUD::showFailure(failure, anchor);
        });
}

void EditorWindowController::saveDocumentAs()
{
    const QImage picture = flattenedOrBeep();
    if (picture.isNull())
        return;
    const QString proposed =
        QDir(saveAsFolder())
            .filePath(m_suggestedName.value_or(ImageOutput::defaultFileName()) + QStringLiteral(".png"));
    const QString path = m_dialogs.saveFileName(this, proposed);
    if (path.isEmpty())
        return;
    if (!saveAsReportingErrors(path, picture, m_canvas->contentScale(), m_dialogs, this))
        return;
    const QFileInfo saved(path);
    lastSaveFolder() = saved.absolutePath();
    m_suggestedName = saved.completeBaseName();
    setWindowTitle(QStringLiteral("%1 — %2").arg(windowTitleBase, saved.fileName()));
    HUD::show(QStringLiteral("Saved %1").arg(saved.fileName()), toastAnchor());
}

QString EditorWindowController::saveAsFolder() const
{
    if (!lastSaveFolder().isEmpty())
        return lastSaveFolder();
    if (!m_sourceFolder.isEmpty())
        return m_sourceFolder;
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

void EditorWindowController::copyText()
{
    const QImage picture = flattenedOrBeep();
    if (picture.isNull())
        return;
    QPointer<EditorWindowController> self(this);
    TextCopy::copyTextInBackground(picture, m_canvas->contentScale(), [self](const QString& message) {
        if (self)
            HUD::show(message, self->toastAnchor());
        else
            HUD::show(message);
    });
}

void EditorWindowController::pinToScreen()
{
    const QImage picture = flattenedOrBeep();
    if (picture.isNull())
        return;
    QRectF place(QPointF(), QSizeF(picture.size()) / m_canvas->contentScale());
    place.moveCenter(QPointF(m_scrollView->mapToGlobal(m_scrollView->rect().center())));
    PinWindow::pin(picture, m_canvas->contentScale(), place);
}

void EditorWindowController::clearAnnotations()
{
    m_canvas->clearAll();
}

void EditorWindowController::selectTool(int tag)
{
    const auto tool = ToolKinds::fromRawValue(tag);
    if (!tool)
        return;
    m_toolbar->showTool(*tool);
    toolChanged();
}

bool EditorWindowController::isTypingInPlace() const
{
    const QTextEdit* editor = m_canvas->textEditor();
    return editor && editor->hasFocus();
}

void EditorWindowController::undo()
{
    // While text is typed, Undo takes back keystrokes, not canvas edits.
    if (isTypingInPlace())
        m_canvas->textEditor()->undo();
    else
        m_canvas->undo();
}

void EditorWindowController::redo()
{
    if (isTypingInPlace())
        m_canvas->textEditor()->redo();
    else
        m_canvas->redo();
}

void EditorWindowController::zoomIn()
{
    m_scrollView->setMagnification(m_scrollView->magnification() * zoomStep);
}

void EditorWindowController::zoomOut()
{
    m_scrollView->setMagnification(m_scrollView->magnification() / zoomStep);
}

void EditorWindowController::zoomActual()
{
    m_scrollView->setMagnification(1.0 / m_canvas->contentScale());
}

void EditorWindowController::zoomToFit()
{
    m_scrollView->setMagnification(m_scrollView->fittingMagnification());
}

void EditorWindowController::cropToSelection()
{
    if (m_canvas->selected()) {
        m_canvas->cropToSelection();
        return;
    }
    selectTool(ToolKinds::rawValue(ToolKind::select));
    m_canvas->armCropDrag(true);
    HUD::show(QStringLiteral("Drag the area to keep"), toastAnchor());
}

void EditorWindowController::chooseRedactionStyle(int tag)
{
    const auto style = tag == 1 ? Annotation::RedactionStyle::solid : Annotation::RedactionStyle::pixelate;
    m_toolbar->redactionPopUp()->setCurrentIndex(tag == 1 ? 1 : 0);
    m_canvas->setRedactionStyle(style);
}

void EditorWindowController::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    // Digits 1 ... 9 choose the first nine tools, 0 the tenth.
    if (!m_canvas->isEditingText() && key >= Qt::Key_0 && key <= Qt::Key_9 &&
        !event->modifiers().testFlag(Qt::ControlModifier)) {
        selectTool(key == Qt::Key_0 ? ToolKinds::rawValue(ToolKind::redact) : key - Qt::Key_1);
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void EditorWindowController::closeEvent(QCloseEvent* event)
{
    // Whatever was being typed becomes part of the picture before the window goes.
    m_canvas->commitTextEditing();
    std::erase(registry(), this);
    event->accept();
}

} // namespace corvane
