// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Palette.h"
#include "editor/CanvasView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <algorithm>

namespace corvane {

namespace {

// Chrome lines are 1/m thick with dashes of 4/m on and 3/m off; QPen measures dashes in pen widths.
QPen chromePen(QColor color, double magnification, bool dashed)
{
    QPen pen(color, 1.0 / magnification, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    if (dashed)
        pen.setDashPattern({4.0, 3.0});
    return pen;
}

} // namespace

void CanvasView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRect(event->rect());
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_magnification < 1);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // Under a redaction the picture is not painted at all: at a zoom that does not fall on whole
    // pixels, the redaction's edge would otherwise be blended with what it hides.
    QRegion picture(event->rect());
    for (const AnnotationPtr& annotation : m_annotations) {
        if (annotation->kind == Annotation::Kind::redaction)
            picture -= annotation->rect().toAlignedRect();
    }
    painter.save();
    painter.setClipRegion(picture, Qt::IntersectClip);
    painter.drawImage(QPointF(0, 0), m_drawable);
    painter.restore();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    paintAnnotations(painter);
    if (m_editingAnnotation)
        drawEditingFrame(painter, *m_editingAnnotation);
    else if (m_selected)
        drawSelectionChrome(painter, *m_selected);
    if (const auto* cropping = std::get_if<Cropping>(&m_dragMode))
        drawCropChrome(painter, QRectF(cropping->start, cropping->current).normalized());
}

void CanvasView::paintAnnotations(QPainter& painter) const
{
    // Redactions replace the picture under them, computed from the unannotated picture, before
    // anything else is drawn: a mark drawn over a redaction stays visible, and no mark is redacted.
    for (const AnnotationPtr& annotation : m_annotations)
        annotation->drawRedaction(painter, m_drawable);
    for (const AnnotationPtr& annotation : m_annotations) {
        // The text editor shows the box being typed in; drawing it too would double the text.
        if (annotation != m_editingAnnotation)
            annotation->draw(painter, m_contentScale);
    }
}

void CanvasView::drawSelectionChrome(QPainter& painter, const Annotation& annotation) const
{
    const double m = chromeMagnification();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QColor outline = Palette::accent();
    outline.setAlphaF(0.9f);
    painter.setPen(chromePen(outline, m, true));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(annotation.bounds(m_contentScale).adjusted(2, 2, -2, -2));

    const double side = 8.0 / m;
    painter.setPen(chromePen(Palette::accent(), m, false));
    painter.setBrush(Qt::white);
    for (const QPointF& handle : annotation.handlePoints())
        painter.drawRect(QRectF(handle.x() - side / 2, handle.y() - side / 2, side, side));
    painter.restore();
}

void CanvasView::drawEditingFrame(QPainter& painter, const Annotation& annotation) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(chromePen(Palette::accent(), chromeMagnification(), true));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(annotation.rect().adjusted(-2, -2, 2, 2));
    painter.restore();
}

void CanvasView::drawCropChrome(QPainter& painter, const QRectF& area) const
{
    painter.save();
    // What falls away is dimmed; the part that stays keeps its look.
    QPainterPath outside;
    outside.addRect(QRectF(rect()));
    outside.addRect(area);
    painter.fillPath(outside, QColor(0, 0, 0, 110));
    painter.setPen(chromePen(Palette::accent(), chromeMagnification(), true));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    painter.restore();
}

QImage CanvasView::renderedImage()
{
    commitTextEditing();
    // The screenshot covers every pixel, so the export starts as its pixels; an opaque screenshot stays
    // opaque (no alpha channel to encode, smaller files). A new image rather than a copy: a copy would
    // carry the opened file's text metadata, which the encoders write out, and which may hold a
    // thumbnail of what a redaction hides.
    QImage image(m_drawable.size(), m_drawable.format());
    if (image.isNull())
        return {};
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_drawable);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    paintAnnotations(painter);
    painter.end();
    return image;
}

} // namespace corvane
