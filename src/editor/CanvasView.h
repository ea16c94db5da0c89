// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "annotation/Annotation.h"
#include "annotation/ToolKind.h"
#include "editor/CanvasViewDelegate.h"
#include "editor/InPlaceTextEditor.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <deque>
#include <future>
#include <optional>
#include <variant>
#include <vector>

namespace corvane {

// The editing surface of one screenshot. Its own coordinates are canvas coordinates: one unit per
// screenshot pixel, origin at the top-left, whatever the display's scale. Zooming happens outside (the
// editor window scales the whole widget, text editor included) and tells the canvas its magnification
// only so that selection chrome keeps a constant size on screen.
//
// The implementation is split by concern: CanvasView.cpp (state, style, selection), CanvasPainting.cpp,
// CanvasPointer.cpp (mouse and keys), CanvasText.cpp (in-place text editing), CanvasHistory.cpp (undo),
// CanvasCrop.cpp (cropping the picture).
class CanvasView : public QWidget {
    Q_OBJECT
public:
    // One state of the history: the annotations and, since a crop changes it, the picture.
    struct Snapshot {
        std::vector<AnnotationPtr> annotations;
        QImage baseImage;
        QImage drawable;
    };
    static constexpr std::size_t maxUndoSteps = 100;

    CanvasView(const QImage& image, double scale, QWidget* parent = nullptr);
    ~CanvasView() override;

    // Qt widgets always put the origin at the top-left; kept so callers can state the assumption.
    static constexpr bool isFlipped() { return true; }
    QSize sizeHint() const override;

    // The owner must outlive the canvas or clear the delegate first; the editor window owns its canvas.
    void setDelegate(CanvasViewDelegate* delegate) { m_delegate = delegate; }
    CanvasViewDelegate* delegate() const { return m_delegate; }

    const QImage& baseImage() const { return m_baseImage; }
    double contentScale() const { return m_contentScale; }
    const std::vector<AnnotationPtr>& annotations() const { return m_annotations; }
    // Appends on top of the others, without an undo step (the snapshot mode populates canvases so).
    void addAnnotation(AnnotationPtr annotation);
    const AnnotationPtr& selected() const { return m_selected; }

    ToolKind tool() const { return m_tool; }
    // Only stores the tool and sets the cursor; the editor window clears the selection and ends text
    // editing itself when it switches tools.
    void setTool(ToolKind tool);

    QColor strokeColor() const { return m_strokeColor; }
    double lineWidth() const { return m_lineWidth; }
    double fontSize() const { return m_fontSize; }
    // Each setter restyles the selection with all three current values (one undo step each).
    void setStrokeColor(const QColor& color);
    void setLineWidth(double width);
    void setFontSize(double size);
    Annotation::RedactionStyle redactionStyle() const { return m_redactionStyle; }
    // The style of new redactions; restyles a selected redaction (one undo step).
    void setRedactionStyle(Annotation::RedactionStyle style);

    // Screen points per canvas pixel of the enclosing zoom view; 1 when there is none.
    void setMagnification(double magnification);
    // Starts shrinking the picture for a view that will show it at `deviceScale` device pixels per
    // picture pixel, on a thread of its own, while the window is still being made and mapped; the
    // first paint at that scale then only copies it.
    void shrinkAhead(double deviceScale);
    // The magnification chrome is divided by, never below 0.05.
    double chromeMagnification() const;

    // Picture and annotations flattened at the screenshot's pixel size, upright, without chrome. Ends
    // any text edit first. A null image when no bitmap could be made.
    QImage renderedImage();

    // Cuts the picture down to the selected rectangle or redaction (one undo step); annotations move
    // with the picture and those wholly outside it go. False, with a beep, when the selection is of
    // another kind or outside the picture; false without a beep when nothing is selected.
    bool cropToSelection();
    // Cuts the picture down to a rectangle of canvas pixels, clipped to the picture. False when
    // nothing of the picture is left.
    bool cropTo(const QRectF& area);
    // The next drag with the Select tool marks a rectangle to crop to; Escape or another tool ends it.
    void armCropDrag(bool armed);
    bool isCropArmed() const { return m_cropArmed; }

    void select(const AnnotationPtr& annotation);
    void deleteSelection();
    void clearAll();

    // Ends an in-place text edit; false when none was open.
    bool commitTextEditing();
    bool isEditingText() const { return m_textView != nullptr; }
    const AnnotationPtr& editingAnnotation() const { return m_editingAnnotation; }
    QTextEdit* textEditor() const;

    void pushUndo();
    // Both beep and return false when there is nothing to restore.
    bool undo();
    bool redo();
    bool canUndo() const { return !m_undoStack.empty(); }
    bool canRedo() const { return !m_redoStack.empty(); }

signals:
    // The picture itself changed size (a crop, or undoing one); the view and window follow.
    void pictureSizeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Nothing on the canvas shows the focus, so gaining or losing it repaints nothing.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct Creating {
        AnnotationPtr annotation;
    };
    struct Moving {
        AnnotationPtr original; // a copy as it was when the drag began
        QPointF start;
    };
    struct Resizing {
        int handle;
        QRectF startRect;
        double startFont;
        AnnotationPtr original;
    };
    struct Cropping {
        QPointF start;
        QPointF current;
    };
    using DragMode = std::variant<std::monostate, Creating, Moving, Resizing, Cropping>;

    // The picture shrunk once for a zoomed-out view's scale in device pixels: filtering the whole
    // picture down (33 MB for a 4K capture) at every repaint is what made opening and scrolling slow.
    struct ShrunkPicture {
        qint64 source = 0; // the cache key of the picture it was made from
        double scale = 0;
        QImage image;
    };
    static ShrunkPicture shrink(const QImage& picture, double scale);

    // CanvasPainting.cpp
    void drawPicture(QPainter& painter);
    void paintAnnotations(QPainter& painter) const;
    void drawSelectionChrome(QPainter& painter, const Annotation& annotation) const;
    void drawEditingFrame(QPainter& painter, const Annotation& annotation) const;
    void drawCropChrome(QPainter& painter, const QRectF& area) const;

    // CanvasPointer.cpp
    void mouseDown(QPointF point, int clickCount);
    void mouseDownWithSelectTool(QPointF point);
    void mouseDownCreating(QPointF point);
    void mouseDownPlacingText(QPointF point);
    void mouseDownPlacingStep(QPointF point);
    void dragCreating(Annotation& annotation, QPointF point, bool shift);
    void dragResizing(const Resizing& resizing, QPointF point, bool shift);
    void finishCreating(const AnnotationPtr& annotation);
    void nudge(QPointF offset);
    AnnotationPtr annotationAt(QPointF point) const;
    std::optional<int> handleIndex(QPointF point, const Annotation& annotation) const;
    void applyStyleToSelection();
    void updateCursor();

    // CanvasText.cpp
    void beginTextEditing(const AnnotationPtr& annotation, bool isNew);
    void layoutTextView();
    void textDidChange();
    void applyEditorStyle();

    // CanvasHistory.cpp
    Snapshot snapshot() const;
    bool restore(std::deque<Snapshot>& from, std::deque<Snapshot>& to);
    void dropNewestUndo();

    // CanvasCrop.cpp
    void setPicture(const QImage& baseImage, const QImage& drawable);

    void removeAnnotation(const AnnotationPtr& annotation);
    void notifySelectionChanged();
    void notifyContentChanged();

    CanvasViewDelegate* m_delegate = nullptr;
    QImage m_baseImage;
    QImage m_drawable; // m_baseImage in a format QPainter blits fast
    ShrunkPicture m_shrunk;
    std::future<ShrunkPicture> m_shrinking;
    double m_contentScale;
    std::vector<AnnotationPtr> m_annotations;
    AnnotationPtr m_selected;
    ToolKind m_tool = ToolKind::rectangle;
    QColor m_strokeColor;
    double m_lineWidth = 3;
    double m_fontSize = 24;
    Annotation::RedactionStyle m_redactionStyle = Annotation::RedactionStyle::pixelate;
    bool m_cropArmed = false;
    double m_magnification = 1;
    DragMode m_dragMode;
    std::deque<Snapshot> m_undoStack;
    std::deque<Snapshot> m_redoStack;
    QPointer<InPlaceTextEditor> m_textView;
    AnnotationPtr m_editingAnnotation;
    bool m_editingIsNew = false;
};

// Shift-constrained drawing: lines, arrows and straight strokes snap to the nearest multiple of 45
// degrees keeping their length; other shapes become squares on the side of the larger movement, in the
// pointer's quadrant.
QPointF constrained(QPointF from, QPointF to, Annotation::Kind kind);

} // namespace corvane
