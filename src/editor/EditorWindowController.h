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

    // `sourcePath` is the file the picture was opened from, empty for a capture: it names the window
    // and is where Save As starts until something has been saved. The window opens on `screen` (a
    // capture's own monitor), or the primary one when none is given.
    static EditorWindowController* open(const QImage& image, double scale,
                                        const std::optional<QString>& suggestedName = std::nullopt,
                                        const QString& sourcePath = QString(), QScreen* screen = nullptr);
    static const std::vector<EditorWindowController*>& openEditors();
    // Save As remembers the folder last saved to for as long as the program runs; tests start each
    // case as a new run would.
    static void forgetLastSaveFolder();

    ~EditorWindowController() override;

    CanvasView* canvas() const { return m_canvas; }
    ZoomView* scrollView() const { return m_scrollView; }
    EditorToolbar* toolbar() const { return m_toolbar; }
    const std::optional<QString>& suggestedName() const { return m_suggestedName; }
    void setDialogs(Dialogs dialogs) { m_dialogs = std::move(dialogs); }
    // The snapshot mode's scene, one mark of every kind: a rectangle, an ellipse, an arrow, a text box,
    // a highlighter and a pen stroke, two steps and a redaction, added without an undo step, with the
    // rectangle selected.
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
    void zoomToFit() override;
    // Crops to the selected rectangle or redaction; with nothing selected, switches to the Select
    // tool and lets the user drag the rectangle to crop to.
    void cropToSelection() override;
    void chooseRedactionStyle(int tag) override;
    // Reads the text in the flattened picture, so redacted parts stay unread.
    void copyText() override;
    // Pins the flattened picture over the middle of the view.
    void pinToScreen() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    EditorWindowController(const QImage& image, double scale, std::optional<QString> suggestedName,
                           const QString& sourcePath, QScreen* screen);

    void buildUI();
    void connectToolbar();
    void toolChanged();
    // The first-size rule again, for the picture's new size after a crop or its undo.
    void applySizeRule();
    // The folder Save As opens in: the last one saved to while the program runs, else the opened
    // file's, else the Desktop.
    QString saveAsFolder() const;
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
    QString m_sourceFolder;
    Dialogs m_dialogs;
};

} // namespace corvane
