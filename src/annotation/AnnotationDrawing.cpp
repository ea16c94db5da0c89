// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Annotation.h"
#include "annotation/Redaction.h"
#include "annotation/TextLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

QPen strokePen(const QColor& color, double width, Qt::PenCapStyle cap, Qt::PenJoinStyle join)
{
    QPen pen(color, width, Qt::SolidLine, cap, join);
    pen.setMiterLimit(10);
    return pen;
}

// Pointer samples joined by quadratic curves through their midpoints: the corners between samples
// become smooth turns and the stroke still starts and ends at the first and last sample.
QPainterPath smoothPath(const std::vector<QPointF>& points)
{
    QPainterPath path(points.front());
    if (points.size() == 1) {
        path.lineTo(points.front());
        return path;
    }
    for (std::size_t i = 1; i + 1 < points.size(); ++i)
        path.quadTo(points[i], (points[i] + points[i + 1]) / 2);
    path.lineTo(points.back());
    return path;
}

} // namespace

void Annotation::draw(QPainter& painter, double scale) const
{
    const double width = std::max(scale * lineWidth, 1.0);
    const QRectF r = rect();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setBrush(Qt::NoBrush);
    switch (kind) {
    case Kind::rectangle:
        painter.setPen(strokePen(color, width, Qt::FlatCap, Qt::MiterJoin));
        painter.drawRect(r);
        break;
    case Kind::ellipse:
        painter.setPen(strokePen(color, width, Qt::FlatCap, Qt::MiterJoin));
        painter.drawEllipse(r);
        break;
    case Kind::line:
        painter.setPen(strokePen(color, width, Qt::RoundCap, Qt::MiterJoin));
        painter.drawLine(p1, p2);
        break;
    case Kind::arrow:
        drawArrow(painter, width);
        break;
    case Kind::text: {
        if (text.isEmpty())
            break;
        const QRectF box = r.adjusted(2, 2, -2, -2);
        const auto document = TextLayout::laidOut(attributedText(scale), std::max(box.width(), 0.0));
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, color);
        painter.translate(box.topLeft());
        document->documentLayout()->draw(&painter, context);
        break;
    }
    case Kind::highlighter:
    case Kind::pen:
        drawStroke(painter, scale);
        break;
    case Kind::step:
        drawStep(painter);
        break;
    case Kind::redaction:
        break; // drawRedaction(), beneath every other annotation
    }
    painter.restore();
}

void Annotation::drawStroke(QPainter& painter, double scale) const
{
    const QPainterPath path = smoothPath(strokePoints());
    if (kind == Kind::pen) {
        painter.setPen(strokePen(color, std::max(scale * lineWidth, 1.0), Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(path);
        return;
    }
    // Multiplying keeps dark text under the marker dark while a light background takes the colour; the
    // whole stroke is one path, so where it crosses itself it does not darken twice.
    QColor marker = color;
    marker.setAlphaF(0.5f * color.alphaF());
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    painter.setPen(
        strokePen(marker, std::max(scale * highlighterWidth(lineWidth), 1.0), Qt::FlatCap, Qt::RoundJoin));
    painter.drawPath(path);
}

void Annotation::drawStep(QPainter& painter) const
{
    const QRectF r = rect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(r);
    QFont font = TextLayout::mediumFont(std::max(r.height() * 0.55, 4.0));
    font.setWeight(QFont::Bold);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(r, Qt::AlignCenter, QString::number(stepNumber));
}

void Annotation::drawRedaction(QPainter& painter, const QImage& original) const
{
    if (kind != Kind::redaction)
        return;
    // Whole pixels: a pixel the rectangle only touches is hidden too.
    const QRect region = rect().toAlignedRect().intersected(original.rect());
    if (region.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    switch (redactionStyle) {
    case RedactionStyle::solid: {
        // A see-through box would hide nothing.
        QColor opaque = color;
        opaque.setAlpha(255);
        painter.fillRect(region, opaque);
        break;
    }
    case RedactionStyle::pixelate:
        if (m_redactedTile.isNull() || m_redactedRegion != region ||
            m_redactedSource != original.cacheKey()) {
            m_redactedTile = Redaction::pixelated(original, region);
            m_redactedRegion = region;
            m_redactedSource = original.cacheKey();
        }
        if (m_redactedTile.isNull())
            painter.fillRect(region, Qt::black); // no memory for the look: still hide the region
        else
            painter.drawImage(region.topLeft(), m_redactedTile);
        break;
    }
    painter.restore();
}

void Annotation::drawArrow(QPainter& painter, double width) const
{
    const QPointF d = p2 - p1;
    const double length = std::hypot(d.x(), d.y());
    // A zero-length arrow still gets a (degenerate) head; the tiny divisor keeps u finite.
    const double head = length <= 0.001 ? 0.001 : std::min(std::max(4 * width, 12.0), length);
    const double divisor = length <= 0.001 ? 0.001 : length;
    const QPointF u = d / divisor;

    painter.setPen(strokePen(color, width, Qt::RoundCap, Qt::MiterJoin));
    painter.drawLine(p1, p2 - 0.85 * head * u);

    const QPointF base = p2 - head * u;
    const double half = 0.425 * head;
    QPainterPath triangle;
    triangle.moveTo(p2);
    triangle.lineTo(base + QPointF(-half * u.y(), half * u.x()));
    triangle.lineTo(base + QPointF(half * u.y(), -half * u.x()));
    triangle.closeSubpath();
    painter.fillPath(triangle, color);
}

Annotation::TextStyle Annotation::attributedText(double scale) const
{
    QTextOption option;
    option.setAlignment(Qt::AlignLeft);
    // Break between words, and inside a word only when the word alone is wider than the box.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return TextStyle{text, TextLayout::mediumFont(std::max(scale * fontSize, 4.0)), color, option};
}

double Annotation::fittingHeight(double scale) const
{
    if (text.isEmpty())
        return scale * fontSize * 1.4;
    const double width = std::max(rect().width() - 4, 10.0);
    const auto document = TextLayout::laidOut(attributedText(scale), width);
    return std::ceil(document->size().height()) + 8;
}

} // namespace corvane
