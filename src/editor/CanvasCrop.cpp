// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/CanvasView.h"

#include <QApplication>

namespace corvane {

bool CanvasView::cropToSelection()
{
    commitTextEditing();
    if (!m_selected)
        return false;
    switch (m_selected->kind) {
    case Annotation::Kind::rectangle:
    case Annotation::Kind::redaction:
        if (cropTo(m_selected->rect()))
            return true;
        break;
    case Annotation::Kind::ellipse:
    case Annotation::Kind::line:
    case Annotation::Kind::arrow:
    case Annotation::Kind::text:
    case Annotation::Kind::highlighter:
    case Annotation::Kind::pen:
    case Annotation::Kind::step:
        break;
    }
    QApplication::beep();
    return false;
}

bool CanvasView::cropTo(const QRectF& area)
{
    commitTextEditing();
    // Whole pixels: the area's partly covered edge pixels stay in the picture.
    const QRect kept = area.toAlignedRect().intersected(m_baseImage.rect());
    if (kept.isEmpty() || kept == m_baseImage.rect())
        return false;
    const QImage baseImage = m_baseImage.copy(kept);
    const QImage drawable = m_drawable.copy(kept);
    if (baseImage.isNull() || drawable.isNull())
        return false;
    pushUndo();
    const QPointF offset = -QPointF(kept.topLeft());
    const QRectF picture(QPointF(0, 0), QSizeF(kept.size()));
    std::vector<AnnotationPtr> staying;
    for (const AnnotationPtr& annotation : m_annotations) {
        annotation->translate(offset);
        if (annotation->bounds(m_contentScale).intersects(picture))
            staying.push_back(annotation);
    }
    m_annotations = std::move(staying);
    m_selected.reset();
    setPicture(baseImage, drawable);
    notifySelectionChanged();
    notifyContentChanged();
    return true;
}

void CanvasView::armCropDrag(bool armed)
{
    m_cropArmed = armed;
    if (!armed && std::holds_alternative<Cropping>(m_dragMode))
        m_dragMode = std::monostate{};
    setCursor(armed ? Qt::CrossCursor : (m_tool == ToolKind::select ? Qt::ArrowCursor : Qt::CrossCursor));
    update();
}

void CanvasView::setPicture(const QImage& baseImage, const QImage& drawable)
{
    m_baseImage = baseImage;
    m_drawable = drawable;
    resize(m_baseImage.size());
    update();
    emit pictureSizeChanged();
}

} // namespace corvane
