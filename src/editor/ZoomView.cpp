// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ZoomView.h"

#include "editor/CanvasView.h"

#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace corvane {

ZoomView::ZoomView(CanvasView* canvas, QWidget* parent)
    : QGraphicsView(parent)
    , m_canvas(canvas)
{
    auto* scene = new QGraphicsScene(this);
    QGraphicsProxyWidget* proxy = scene->addWidget(canvas);
    proxy->setPos(0, 0);
    scene->setSceneRect(QRectF(QPointF(0, 0), QSizeF(canvas->size())));
    setScene(scene);
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::NoFrame);
    setBackgroundBrush(QColor::fromRgbF(0.16f, 0.16f, 0.16f));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Whole-canvas repaints through the proxy are cheaper than Qt's guess at minimal regions.
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    setTransformationAnchor(QGraphicsView::AnchorViewCenter);
    // The background brush and the canvas cover the viewport between them; a 4K window filled with
    // the palette first costs a pass over its whole backing store when it opens.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    scene->setFocusItem(proxy);
    // A crop changes the canvas's size; the scrolled area follows it.
    connect(canvas, &CanvasView::pictureSizeChanged, this,
            [this, scene] { scene->setSceneRect(QRectF(QPointF(0, 0), QSizeF(m_canvas->size()))); });
}

double ZoomView::fittingMagnification() const
{
    const QSizeF picture(m_canvas->size());
    if (picture.isEmpty())
        return m_magnification;
    // The viewport without scroll bars: at the fitting zoom none are needed.
    const QSizeF room = QSizeF(maximumViewportSize());
    return std::clamp(std::min(room.width() / picture.width(), room.height() / picture.height()),
                      minimumMagnification, maximumMagnification);
}

void ZoomView::setMagnification(double magnification)
{
    m_magnification = std::clamp(magnification, minimumMagnification, maximumMagnification);
    setTransform(QTransform::fromScale(m_magnification, m_magnification));
    // Pictures shrunk below their pixel size look better filtered; enlarged ones keep crisp pixels.
    setRenderHint(QPainter::SmoothPixmapTransform, m_magnification < 1);
    m_canvas->setMagnification(m_magnification);
}

void ZoomView::drawBackground(QPainter* painter, const QRectF& exposed)
{
    // Two screen points inside the canvas's edge stay in the ring, under the picture's edge pixels:
    // shrunk, the picture is placed on whole device pixels and may fall short of the edge by half a one.
    const double inset = 2 / m_magnification;
    QPainterPath around;
    around.addRect(exposed);
    around.addRect(QRectF(QPointF(0, 0), QSizeF(m_canvas->size())).adjusted(inset, inset, -inset, -inset));
    painter->fillPath(around, backgroundBrush());
}

void ZoomView::wheelEvent(QWheelEvent* event)
{
    if (!event->modifiers().testFlag(Qt::ControlModifier))
        return QGraphicsView::wheelEvent(event);
    // Ctrl + wheel zooms, one 1.25 step per notch, like the menu commands.
    const double notches = event->angleDelta().y() / 120.0;
    setMagnification(m_magnification * std::pow(1.25, notches));
    event->accept();
}

} // namespace corvane
