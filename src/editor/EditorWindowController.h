// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/CanvasViewDelegate.h"
#include "editor/MenuActions.h"
#include "output/SaveAs.h"

#include <QImage>
#include <QMainWindow>
#include <optional>
#include <vector>

class QScreen;

namespace corvane {

class CanvasView;
class EditorToolbar;
class ZoomView;

// One editor window: the toolbar strip, a zooming view of one canvas, the menu bar and the commands.
// Open editors are kept in a registry until their window closes; closing asks nothing and the
// annotations go with the window. The program keeps running when the last one closes.
class EditorWindowController : public QMainWindow, public CanvasViewDelegate, public MenuActions {
    Q_OBJECT
public:
    using Dialogs = SaveDialogs;

    // On `screen` (a capture's own monitor), or the primary one when none is given.
    static EditorWindowController* open(const QImage& image, double scale,
                                        const std::optional<QString>& suggestedName = std::nullopt,
                                        QScreen* screen = nullptr);
    static const std::vector<EditorWindowController*>& openEditors();

    ~EditorWindowController() override;

    CanvasView* canvas() const { return m_canvas; }
    ZoomView* scrollView() const { return m_scrollView; }
    EditorToolbar* toolbar() const { return m_toolbar; }
    const std::optional<QString>& suggestedName() const { return m_suggestedName; }
    void setDialogs(Dialogs dialogs) { m_dialogs = std::move(dialogs); }
    // The snapshot mode's scene: a rectangle, an ellipse, an arrow and a text box, added without an
    // undo step, with the rectangle selected.
    void populateForUITest();

    // Enables Delete, Undo and the two pop-ups from the canvas's state; nothing else.
    void updateControls();
    // Where the editor's toasts appear: the middle of the window, 60 px above its bottom edge.
    QPoint toastAnchor() const;

    void saveDocument() override;
    void saveDocumentAs() override;
    void copyImage() override;
    void clearAnnotations() override;
    void selectTool(int tag) override;
    void undo() override;
    void redo() override;
    void zoomIn() override;
    void zoomOut() override;
    void zoomActual() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    EditorWindowController(const QImage& image, double scale, std::optional<QString> suggestedName,
                           QScreen* screen);

    void buildUI();
    void connectToolbar();
    void toolChanged();
    void canvasSelectionDidChange(CanvasView* canvas) override;
    void canvasContentDidChange(CanvasView* canvas) override;
    // The text editor of this window that has the keyboard focus, if any.
    bool isTypingInPlace() const;
    // The picture the export commands work on; a beep and a null image when none could be made.
    QImage flattenedOrBeep();

    CanvasView* m_canvas;
    ZoomView* m_scrollView = nullptr;
    EditorToolbar* m_toolbar = nullptr;
    std::optional<QString> m_suggestedName;
    Dialogs m_dialogs;
};

} // namespace corvane
