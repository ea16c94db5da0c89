// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Annotation.h"

#include <algorithm>
#include <cmath>
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
        return true;
    case Kind::line:
    case Kind::arrow:
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
    return grownBy(rect(), std::max(scale * lineWidth, 8.0));
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
        return halfOpenContains(grownBy(r, 4), point);
    }
    return false;
}

double Annotation::distanceToSegment(QPointF q) const
{
    const QPointF d = p2 - p1;
    const double lengthSquared = QPointF::dotProduct(d, d);
    if (lengthSquared < 0.0001)
        return std::hypot(q.x() - p1.x(), q.y() - p1.y());
    const double u = std::clamp(QPointF::dotProduct(q - p1, d) / lengthSquared, 0.0, 1.0);
    const QPointF nearest = p1 + u * d;
    return std::hypot(q.x() - nearest.x(), q.y() - nearest.y());
}

std::vector<QPointF> Annotation::handlePoints() const
{
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

} // namespace corvane
