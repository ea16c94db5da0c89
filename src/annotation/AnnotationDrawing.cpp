// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Annotation.h"
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
