// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Palette.h"
#include "editor/CanvasView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <algorithm>
#include <cmath>

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
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_magnification < 1);
    // Under a redaction the picture is not painted at all: at a zoom that does not fall on whole
    // pixels, the redaction's edge would otherwise be blended with what it hides. Paper goes there
    // first; everywhere else the picture replaces every pixel, so nothing is painted twice.
    QRegion picture(event->rect());
    for (const AnnotationPtr& annotation : m_annotations) {
        if (annotation->kind == Annotation::Kind::redaction)
            picture -= annotation->rect().toAlignedRect();
    }
    for (const QRect& hole : QRegion(event->rect()) - picture)
        painter.fillRect(hole, Qt::white);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.save();
    painter.setClipRegion(picture, Qt::IntersectClip);
    drawPicture(painter);
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

void CanvasView::drawPicture(QPainter& painter)
{
    // The device transform holds the view's zoom and the screen's pixel ratio: a move to a monitor of
    // another ratio changes it as a zoom does, and a crop or an undo changes the picture's key.
    const QTransform device = painter.deviceTransform();
    const double scale = device.m11();
    if (device.type() != QTransform::TxScale || scale >= 1 || device.m22() != scale) {
        // At 100 % and above, every picture pixel is drawn as it is.
        painter.drawImage(QPointF(0, 0), m_drawable);
        m_shrunk = {};
        return;
    }
    const auto current = [&](const ShrunkPicture& shrunk) {
        return shrunk.source == m_drawable.cacheKey() && std::abs(shrunk.scale - scale) < 1e-9;
    };
    if (m_shrinking.valid()) {
        // The first paint takes what the thread made, waiting for it if need be; at another scale
        // (the window manager gave the window another size) it makes its own.
        ShrunkPicture ahead = m_shrinking.get();
        if (current(ahead))
            m_shrunk = std::move(ahead);
    }
    if (!current(m_shrunk))
        m_shrunk = shrink(m_drawable, scale);
    // Drawn one to one on device pixels, at the picture's origin rounded to a whole device pixel: the
    // world transform is replaced by the one that makes the whole device transform that translation.
    const QPointF origin = device.map(QPointF(0, 0));
    const QTransform afterWorld = painter.worldTransform().inverted() * device;
    painter.setWorldTransform(QTransform::fromTranslate(std::round(origin.x()), std::round(origin.y())) *
                              afterWorld.inverted());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QPointF(0, 0), m_shrunk.image);
}

CanvasView::ShrunkPicture CanvasView::shrink(const QImage& picture, double scale)
{
    const QSize size(std::max(1, int(std::lround(picture.width() * scale))),
                     std::max(1, int(std::lround(picture.height() * scale))));
    // Filtered as the painter filters a shrinking paint, once; the area-averaging QImage::scaled costs
    // several times more for a 4K picture.
    QImage shrunk(size, picture.format());
    shrunk.fill(Qt::transparent);
    QPainter shrinking(&shrunk);
    shrinking.setCompositionMode(QPainter::CompositionMode_Source);
    shrinking.setRenderHint(QPainter::SmoothPixmapTransform, true);
    shrinking.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), picture);
    shrinking.end();
    return {picture.cacheKey(), scale, std::move(shrunk)};
}

void CanvasView::shrinkAhead(double deviceScale)
{
    if (deviceScale >= 1 || m_shrinking.valid())
        return;
    m_shrinking = std::async(std::launch::async,
                             [picture = m_drawable, deviceScale] { return shrink(picture, deviceScale); });
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
