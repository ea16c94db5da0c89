// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/CanvasView.h"
#include "editor/InPlaceTextEditor.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <cmath>
#include <numbers>

namespace corvane {

namespace {

template <class... Ts> struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

constexpr double minimumShapeSize = 4;
constexpr double defaultTextBoxWidth = 240;

bool isCorner(int handle)
{
    return handle == 0 || handle == 2 || handle == 4 || handle == 6;
}

// How big a freshly drawn shape is, to tell a deliberate drag from a stray click.
double creationMeasure(const Annotation& annotation)
{
    if (annotation.kind == Annotation::Kind::pen || annotation.kind == Annotation::Kind::highlighter)
        return std::max(annotation.rect().width(), annotation.rect().height());
    if (!annotation.isRectLike())
        return std::hypot(annotation.p2.x() - annotation.p1.x(), annotation.p2.y() - annotation.p1.y());
    const QRectF r = annotation.rect();
    return r.width() < minimumShapeSize ? 0 : r.height();
}

Annotation::Kind kindFor(ToolKind tool)
{
    switch (tool) {
    case ToolKind::rectangle:
        return Annotation::Kind::rectangle;
    case ToolKind::ellipse:
        return Annotation::Kind::ellipse;
    case ToolKind::line:
        return Annotation::Kind::line;
    case ToolKind::arrow:
        return Annotation::Kind::arrow;
    case ToolKind::highlighter:
        return Annotation::Kind::highlighter;
    case ToolKind::pen:
        return Annotation::Kind::pen;
    case ToolKind::step:
        return Annotation::Kind::step;
    case ToolKind::redact:
        return Annotation::Kind::redaction;
    case ToolKind::select:
    case ToolKind::text:
        break;
    }
    return Annotation::Kind::text;
}

} // namespace

QPointF constrained(QPointF from, QPointF to, Annotation::Kind kind)
{
    const QPointF d = to - from;
    switch (kind) {
    case Annotation::Kind::line:
    case Annotation::Kind::arrow:
    case Annotation::Kind::highlighter:
    case Annotation::Kind::pen: {
        constexpr double step = std::numbers::pi / 4;
        const double angle = std::round(std::atan2(d.y(), d.x()) / step) * step;
        const double length = std::hypot(d.x(), d.y());
        return from + QPointF(length * std::cos(angle), length * std::sin(angle));
    }
    case Annotation::Kind::rectangle:
    case Annotation::Kind::ellipse:
    case Annotation::Kind::text:
    case Annotation::Kind::redaction: {
        const double side = std::max(std::abs(d.x()), std::abs(d.y()));
        return {from.x() + (d.x() < 0 ? -side : side), from.y() + (d.y() < 0 ? -side : side)};
    }
    case Annotation::Kind::step:
        break;
    }
    return to;
}

AnnotationPtr CanvasView::annotationAt(QPointF point) const
{
    // Redactions lie beneath every other annotation, so they are hit last.
    for (const bool redactions : {false, true}) {
        for (auto it = m_annotations.rbegin(); it != m_annotations.rend(); ++it) {
            if (((*it)->kind == Annotation::Kind::redaction) == redactions &&
                (*it)->hitTest(point, m_contentScale))
                return *it;
        }
    }
    return nullptr;
}

std::optional<int> CanvasView::handleIndex(QPointF point, const Annotation& annotation) const
{
    // Twice the drawn handle: easy to grab at any zoom. Where handles overlap the lower index wins.
    const double reach = 8.0 / chromeMagnification();
    const auto handles = annotation.handlePoints();
    for (std::size_t i = 0; i < handles.size(); ++i) {
        if (std::abs(handles[i].x() - point.x()) <= reach && std::abs(handles[i].y() - point.y()) <= reach)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

void CanvasView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    mouseDown(event->position(), 1);
}

void CanvasView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    mouseDown(event->position(), 2);
}

void CanvasView::mouseDown(QPointF point, int clickCount)
{
    if (commitTextEditing() && m_tool == ToolKind::text)
        return; // that click only ends the edit
    if (clickCount == 2 && m_tool == ToolKind::select) {
        const AnnotationPtr hit = annotationAt(point);
        if (hit && hit->kind == Annotation::Kind::text) {
            select(hit);
            beginTextEditing(hit, false);
            return;
        }
    }
    switch (m_tool) {
    case ToolKind::select:
        if (m_cropArmed) {
            m_dragMode = Cropping{point, point};
            break;
        }
        mouseDownWithSelectTool(point);
        break;
    case ToolKind::rectangle:
    case ToolKind::ellipse:
    case ToolKind::line:
    case ToolKind::arrow:
    case ToolKind::highlighter:
    case ToolKind::pen:
    case ToolKind::redact:
        mouseDownCreating(point);
        break;
    case ToolKind::text:
        mouseDownPlacingText(point);
        break;
    case ToolKind::step:
        mouseDownPlacingStep(point);
        break;
    }
}

void CanvasView::mouseDownWithSelectTool(QPointF point)
{
    if (m_selected) {
        if (const auto handle = handleIndex(point, *m_selected)) {
            pushUndo();
            m_dragMode = Resizing{*handle, m_selected->rect(), m_selected->fontSize, m_selected->copy()};
            return;
        }
    }
    if (const AnnotationPtr hit = annotationAt(point)) {
        select(hit);
        pushUndo();
        m_dragMode = Moving{hit->copy(), point};
    } else {
        select(nullptr);
        m_dragMode = std::monostate{};
    }
    update();
}

void CanvasView::mouseDownCreating(QPointF point)
{
    auto annotation = std::make_shared<Annotation>(kindFor(m_tool), point, point, m_strokeColor, m_lineWidth,
                                                   m_fontSize, QString());
    annotation->redactionStyle = m_redactionStyle;
    if (annotation->kind == Annotation::Kind::pen || annotation->kind == Annotation::Kind::highlighter)
        annotation->points = {point};
    pushUndo();
    m_annotations.push_back(annotation);
    m_dragMode = Creating{annotation};
    select(nullptr);
    update();
}

void CanvasView::mouseDownPlacingText(QPointF point)
{
    const QPointF bottomRight =
        point + QPointF(defaultTextBoxWidth * m_contentScale, m_fontSize * m_contentScale * 1.4);
    auto annotation = std::make_shared<Annotation>(Annotation::Kind::text, point, bottomRight, m_strokeColor,
                                                   m_lineWidth, m_fontSize, QString());
    pushUndo();
    m_annotations.push_back(annotation);
    select(annotation);
    beginTextEditing(annotation, true);
    m_dragMode = std::monostate{};
    update();
}

void CanvasView::mouseDownPlacingStep(QPointF point)
{
    const QRectF square = Annotation::stepSquare(point, m_fontSize, m_contentScale);
    auto annotation =
        std::make_shared<Annotation>(Annotation::Kind::step, square.topLeft(), square.bottomRight(),
                                     m_strokeColor, m_lineWidth, m_fontSize, QString());
    pushUndo();
    m_annotations.push_back(annotation);
    select(nullptr);
    m_dragMode = std::monostate{};
    update();
    notifyContentChanged();
}

void CanvasView::dragCreating(Annotation& a, QPointF p, bool shift)
{
    if (a.kind != Annotation::Kind::pen && a.kind != Annotation::Kind::highlighter) {
        a.p2 = shift ? constrained(a.p1, p, a.kind) : p;
        return;
    }
    if (shift) {
        a.points = {a.points.front(), constrained(a.points.front(), p, a.kind)};
    } else {
        // Samples closer than a pixel add nothing but work.
        const QPointF last = a.points.back();
        if (std::abs(p.x() - last.x()) + std::abs(p.y() - last.y()) < 1 && a.points.size() > 1)
            return;
        a.points.push_back(p);
    }
    a.fitToPoints();
}

void CanvasView::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF p = event->position();
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    const bool changed = std::visit(Overloaded{
                                        [&](const Creating& creating) {
                                            dragCreating(*creating.annotation, p, shift);
                                            return true;
                                        },
                                        [&](const Moving& moving) {
                                            if (!m_selected)
                                                return false;
                                            QPointF d = p - moving.start;
                                            if (shift) {
                                                if (std::abs(d.x()) > std::abs(d.y()))
                                                    d.setY(0);
                                                else
                                                    d.setX(0);
                                            }
                                            *m_selected = *moving.original;
                                            m_selected->translate(d);
                                            return true;
                                        },
                                        [&](const Resizing& resizing) {
                                            if (!m_selected)
                                                return false;
                                            dragResizing(resizing, p, shift);
                                            return true;
                                        },
                                        [&](Cropping& cropping) {
                                            cropping.current = p;
                                            return true;
                                        },
                                        [](std::monostate) { return false; },
                                    },
                                    m_dragMode);
    if (changed)
        update();
}

void CanvasView::dragResizing(const Resizing& resizing, QPointF p, bool shift)
{
    Annotation& a = *m_selected;
    if (!a.isRectLike()) {
        const QPointF anchor = resizing.handle == 0 ? a.p2 : a.p1;
        const QPointF target = shift ? constrained(anchor, p, a.kind) : p;
        (resizing.handle == 0 ? a.p1 : a.p2) = target;
        return;
    }
    QRectF r = Annotation::resized(resizing.startRect, resizing.handle, p);
    if (a.kind == Annotation::Kind::pen || a.kind == Annotation::Kind::highlighter) {
        // The stroke is stretched with its rectangle; a flat start rectangle stays flat on that side.
        const QRectF from = resizing.startRect;
        const auto along = [](double v, double start, double length, double to, double toLength) {
            return length > 0 ? to + (v - start) / length * toLength : to;
        };
        a.points = resizing.original->strokePoints();
        for (QPointF& point : a.points)
            point = {along(point.x(), from.left(), from.width(), r.left(), r.width()),
                     along(point.y(), from.top(), from.height(), r.top(), r.height())};
        a.fitToPoints();
        return;
    }
    if (a.kind == Annotation::Kind::text) {
        if (isCorner(resizing.handle) && resizing.startRect.height() > 1)
            a.fontSize =
                std::max(std::max(r.height() / resizing.startRect.height(), 0.05) * resizing.startFont, 6.0);
        // The height of a text box always follows from its text, width and font.
        a.p1 = r.topLeft();
        a.p2 = r.bottomRight();
        r.setHeight(a.fittingHeight(m_contentScale));
    }
    a.p1 = r.topLeft();
    a.p2 = r.bottomRight();
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    std::visit(Overloaded{
                   [&](const Creating& creating) { finishCreating(creating.annotation); },
                   [&](const Moving&) { notifyContentChanged(); },
                   [&](const Resizing&) { notifyContentChanged(); },
                   [&](const Cropping& cropping) {
                       m_cropArmed = false;
                       updateCursor();
                       const QRectF area = QRectF(cropping.start, cropping.current).normalized();
                       if (area.width() >= minimumShapeSize && area.height() >= minimumShapeSize)
                           cropTo(area);
                   },
                   [](std::monostate) {},
               },
               m_dragMode);
    m_dragMode = std::monostate{};
    update();
}

void CanvasView::finishCreating(const AnnotationPtr& annotation)
{
    if (creationMeasure(*annotation) < minimumShapeSize) {
        // A stray click leaves no shape and no trace in the history.
        removeAnnotation(annotation);
        dropNewestUndo();
        return;
    }
    if (annotation->kind == Annotation::Kind::redaction) {
        // Whole pixels, so what is hidden is exactly what the box shows.
        const QRect r = annotation->rect().toAlignedRect();
        annotation->p1 = r.topLeft();
        annotation->p2 = QPointF(r.right() + 1, r.bottom() + 1);
    } else if (annotation->isRectLike()) {
        const QRectF r = annotation->rect();
        annotation->p1 = r.topLeft();
        annotation->p2 = r.bottomRight();
    }
    notifyContentChanged();
}

void CanvasView::keyPressEvent(QKeyEvent* event)
{
    // Keys the open text editor lets through are not edits of the canvas.
    if (isEditingText()) {
        event->ignore();
        return;
    }
    const double step = event->modifiers().testFlag(Qt::ShiftModifier) ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        deleteSelection();
        break;
    case Qt::Key_Escape:
        armCropDrag(false);
        select(nullptr);
        break;
    case Qt::Key_Left:
        nudge({-step, 0});
        break;
    case Qt::Key_Right:
        nudge({step, 0});
        break;
    case Qt::Key_Down:
        nudge({0, step});
        break;
    case Qt::Key_Up:
        nudge({0, -step});
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void CanvasView::nudge(QPointF offset)
{
    if (!m_selected)
        return;
    pushUndo();
    m_selected->translate(offset);
    update();
    notifyContentChanged();
}

void CanvasView::applyStyleToSelection()
{
    if (!m_selected)
        return;
    pushUndo();
    Annotation& a = *m_selected;
    a.color = m_strokeColor;
    a.lineWidth = m_lineWidth;
    if (a.kind == Annotation::Kind::text) {
        a.fontSize = m_fontSize;
        const QRectF r = a.rect();
        a.p1 = r.topLeft();
        a.p2 = QPointF(r.right(), r.top() + a.fittingHeight(m_contentScale));
        if (m_editingAnnotation == m_selected)
            applyEditorStyle();
    } else if (a.kind == Annotation::Kind::step) {
        a.fontSize = m_fontSize;
        const QRectF square = Annotation::stepSquare(a.rect().center(), a.fontSize, m_contentScale);
        a.p1 = square.topLeft();
        a.p2 = square.bottomRight();
    }
    update();
    notifyContentChanged();
}

void CanvasView::updateCursor()
{
    setCursor(m_tool == ToolKind::select ? Qt::ArrowCursor : Qt::CrossCursor);
}

} // namespace corvane
