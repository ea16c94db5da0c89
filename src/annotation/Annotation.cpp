// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Annotation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace corvane {

bool halfOpenContains(const QRectF& rect, QPointF point)
{
    const QRectF r = rect.normalized();
    return point.x() >= r.left() && point.x() < r.right() && point.y() >= r.top() && point.y() < r.bottom();
}

namespace {

QRectF grownBy(const QRectF& r, double d)
{
    return r.adjusted(-d, -d, d, d);
}

// Shrinking past the middle leaves nothing rather than a turned-over rectangle.
std::optional<QRectF> shrunkBy(const QRectF& r, double d)
{
    if (r.width() <= 2 * d || r.height() <= 2 * d)
        return std::nullopt;
    return r.adjusted(d, d, -d, -d);
}

bool insideInscribedEllipse(const QRectF& r, QPointF p)
{
    const double rx = r.width() / 2;
    const double ry = r.height() / 2;
    if (rx <= 0 || ry <= 0)
        return false;
    const double dx = (p.x() - r.center().x()) / rx;
    const double dy = (p.y() - r.center().y()) / ry;
    return dx * dx + dy * dy <= 1.0;
}

double segmentDistance(QPointF q, QPointF a, QPointF b)
{
    const QPointF d = b - a;
    const double lengthSquared = QPointF::dotProduct(d, d);
    if (lengthSquared < 0.0001)
        return std::hypot(q.x() - a.x(), q.y() - a.y());
    const double u = std::clamp(QPointF::dotProduct(q - a, d) / lengthSquared, 0.0, 1.0);
    const QPointF nearest = a + u * d;
    return std::hypot(q.x() - nearest.x(), q.y() - nearest.y());
}

double distanceToPolyline(QPointF q, const std::vector<QPointF>& points)
{
    if (points.size() == 1)
        return std::hypot(q.x() - points[0].x(), q.y() - points[0].y());
    double nearest = std::numeric_limits<double>::infinity();
    for (std::size_t i = 1; i < points.size(); ++i)
        nearest = std::min(nearest, segmentDistance(q, points[i - 1], points[i]));
    return nearest;
}

} // namespace

Annotation::Annotation(Kind kind_, QPointF p1_, QPointF p2_, QColor color_, double lineWidth_,
                       double fontSize_, QString text_)
    : kind(kind_)
    , p1(p1_)
    , p2(p2_)
    , color(color_)
    , lineWidth(lineWidth_)
    , fontSize(fontSize_)
    , text(std::move(text_))
{}

std::shared_ptr<Annotation> Annotation::copy() const
{
    return std::make_shared<Annotation>(*this);
}

bool Annotation::isRectLike() const
{
    switch (kind) {
    case Kind::rectangle:
    case Kind::ellipse:
    case Kind::text:
    case Kind::highlighter:
    case Kind::pen:
    case Kind::redaction:
        return true;
    case Kind::line:
    case Kind::arrow:
    case Kind::step:
        return false;
    }
    return false;
}

QRectF Annotation::rect() const
{
    return QRectF(QPointF(std::min(p1.x(), p2.x()), std::min(p1.y(), p2.y())),
                  QPointF(std::max(p1.x(), p2.x()), std::max(p1.y(), p2.y())));
}

QRectF Annotation::bounds(double scale) const
{
    const double stroke = kind == Kind::highlighter ? highlighterWidth(lineWidth) / 2 : lineWidth;
    return grownBy(rect(), std::max(scale * stroke, 8.0));
}

bool Annotation::hitTest(QPointF point, double scale) const
{
    const double tolerance = std::max(scale * lineWidth, 10.0);
    const QRectF r = rect();
    switch (kind) {
    case Kind::rectangle: {
        if (!halfOpenContains(grownBy(r, tolerance), point))
            return false;
        const auto inner = shrunkBy(r, tolerance);
        return !inner || !halfOpenContains(*inner, point);
    }
    case Kind::ellipse: {
        if (!insideInscribedEllipse(grownBy(r, tolerance), point))
            return false;
        const auto inner = shrunkBy(r, tolerance);
        return !inner || !insideInscribedEllipse(*inner, point);
    }
    case Kind::line:
    case Kind::arrow:
        return distanceToSegment(point) <= tolerance;
    case Kind::text:
    case Kind::redaction:
        return halfOpenContains(grownBy(r, 4), point);
    case Kind::highlighter:
        return distanceToPolyline(point, strokePoints()) <=
               std::max(scale * highlighterWidth(lineWidth) / 2, 10.0);
    case Kind::pen:
        return distanceToPolyline(point, strokePoints()) <= tolerance;
    case Kind::step:
        return insideInscribedEllipse(grownBy(r, 4), point);
    }
    return false;
}

double Annotation::distanceToSegment(QPointF q) const
{
    return segmentDistance(q, p1, p2);
}

void Annotation::translate(QPointF offset)
{
    p1 += offset;
    p2 += offset;
    for (QPointF& p : points)
        p += offset;
}

std::vector<QPointF> Annotation::strokePoints() const
{
    return points.empty() ? std::vector<QPointF>{p1, p2} : points;
}

void Annotation::fitToPoints()
{
    if (points.empty())
        return;
    double left = points[0].x(), top = points[0].y(), right = left, bottom = top;
    for (const QPointF& p : points) {
        left = std::min(left, p.x());
        top = std::min(top, p.y());
        right = std::max(right, p.x());
        bottom = std::max(bottom, p.y());
    }
    p1 = {left, top};
    p2 = {right, bottom};
}

double Annotation::highlighterWidth(double lineWidth)
{
    return std::max(5 * lineWidth, 8.0);
}

QRectF Annotation::stepSquare(QPointF centre, double fontSize, double scale)
{
    const double side = std::round(1.4 * fontSize * std::max(scale, 1.0));
    return {centre.x() - side / 2, centre.y() - side / 2, side, side};
}

std::vector<QPointF> Annotation::handlePoints() const
{
    if (kind == Kind::step)
        return {};
    if (!isRectLike())
        return {p1, p2};
    const QRectF r = rect();
    const double midX = r.center().x();
    const double midY = r.center().y();
    return {
        {r.left(), r.top()},     {midX, r.top()},    {r.right(), r.top()},   {r.right(), midY},
        {r.right(), r.bottom()}, {midX, r.bottom()}, {r.left(), r.bottom()}, {r.left(), midY},
    };
}

QRectF Annotation::resized(const QRectF& rect, int handle, QPointF to)
{
    const QRectF r = rect.normalized();
    double left = r.left();
    double top = r.top();
    double right = r.right();
    double bottom = r.bottom();
    switch (handle) {
    case 0:
        left = to.x();
        top = to.y();
        break;
    case 1:
        top = to.y();
        break;
    case 2:
        top = to.y();
        right = to.x();
        break;
    case 3:
        right = to.x();
        break;
    case 4:
        right = to.x();
        bottom = to.y();
        break;
    case 5:
        bottom = to.y();
        break;
    case 6:
        bottom = to.y();
        left = to.x();
        break;
    case 7:
        left = to.x();
        break;
    default:
        break;
    }
    return QRectF(QPointF(std::min(left, right), std::min(top, bottom)),
                  QPointF(std::max(left, right), std::max(top, bottom)));
}

void renumberSteps(const std::vector<AnnotationPtr>& annotations)
{
    int next = 1;
    for (const AnnotationPtr& annotation : annotations) {
        if (annotation->kind == Annotation::Kind::step)
            annotation->stepNumber = next++;
    }
}

} // namespace corvane
