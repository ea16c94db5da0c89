// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/CanvasView.h"

#include "annotation/Palette.h"
#include "editor/InPlaceTextEditor.h"

#include <QTextEdit>
#include <algorithm>
#include <utility>

namespace corvane {

CanvasView::CanvasView(const QImage& image, double scale, QWidget* parent)
    : QWidget(parent)
    , m_baseImage(image)
    , m_drawable(image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                               : QImage::Format_RGB32))
    , m_contentScale(std::max(scale, 1.0))
    , m_strokeColor(Palette::red())
{
    // One widget unit per screenshot pixel, whatever the scale of the display it came from.
    resize(image.size());
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    updateCursor();
}

CanvasView::~CanvasView() = default;

QSize CanvasView::sizeHint() const
{
    return m_baseImage.size();
}

void CanvasView::addAnnotation(AnnotationPtr annotation)
{
    m_annotations.push_back(std::move(annotation));
    renumberSteps(m_annotations);
    update();
}

void CanvasView::setTool(ToolKind tool)
{
    m_tool = tool;
    if (tool != ToolKind::select)
        armCropDrag(false);
    updateCursor();
}

void CanvasView::setStrokeColor(const QColor& color)
{
    m_strokeColor = color;
    applyStyleToSelection();
}

void CanvasView::setLineWidth(double width)
{
    m_lineWidth = width;
    applyStyleToSelection();
}

void CanvasView::setFontSize(double size)
{
    m_fontSize = size;
    applyStyleToSelection();
}

void CanvasView::setRedactionStyle(Annotation::RedactionStyle style)
{
    m_redactionStyle = style;
    if (!m_selected || m_selected->kind != Annotation::Kind::redaction || m_selected->redactionStyle == style)
        return;
    pushUndo();
    m_selected->redactionStyle = style;
    update();
    notifyContentChanged();
}

void CanvasView::setMagnification(double magnification)
{
    m_magnification = magnification;
    update();
}

void CanvasView::focusInEvent(QFocusEvent*) {}

void CanvasView::focusOutEvent(QFocusEvent*) {}

double CanvasView::chromeMagnification() const
{
    return std::max(m_magnification, 0.05);
}

QTextEdit* CanvasView::textEditor() const
{
    return m_textView.data();
}

void CanvasView::select(const AnnotationPtr& annotation)
{
    if (annotation == m_selected)
        return;
    m_selected = annotation;
    update();
    notifySelectionChanged();
}

void CanvasView::deleteSelection()
{
    if (!m_selected)
        return;
    pushUndo();
    removeAnnotation(m_selected);
    m_selected.reset();
    update();
    notifySelectionChanged();
    notifyContentChanged();
}

void CanvasView::clearAll()
{
    // Committing first: an empty new text box disappears on commit, and clearing what is then an
    // empty canvas must not leave an undo step that does nothing.
    commitTextEditing();
    if (m_annotations.empty())
        return;
    pushUndo();
    m_annotations.clear();
    m_selected.reset();
    update();
    notifySelectionChanged();
    notifyContentChanged();
}

void CanvasView::removeAnnotation(const AnnotationPtr& annotation)
{
    std::erase(m_annotations, annotation);
}

void CanvasView::notifySelectionChanged()
{
    if (m_delegate)
        m_delegate->canvasSelectionDidChange(this);
}

void CanvasView::notifyContentChanged()
{
    // Every change of the list passes here: a deleted, undone or cropped-away step leaves no gap.
    renumberSteps(m_annotations);
    if (m_delegate)
        m_delegate->canvasContentDidChange(this);
}

} // namespace corvane
