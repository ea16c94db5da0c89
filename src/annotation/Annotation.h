// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "annotation/ToolKind.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTextOption>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace corvane {

// One mark drawn over a screenshot. Points are canvas coordinates (screenshot pixels, top-left origin,
// y down); lineWidth and fontSize are points, turned into pixels by the scale the caller passes.
//
// Annotations have identity: the canvas keeps them as shared pointers and compares the pointers (the
// selection, the box being typed in, removal from the list). copy() makes the detached duplicates that
// undo snapshots hold. The fields are plain data on purpose; the canvas edits them in place.
class Annotation {
public:
    enum class Kind : int { rectangle = 0, ellipse = 1, line = 2, arrow = 3, text = 4 };
    static constexpr std::array<Kind, 5> allKinds{Kind::rectangle, Kind::ellipse, Kind::line, Kind::arrow,
                                                  Kind::text};
    static constexpr int rawValue(Kind kind) { return static_cast<int>(kind); }
    static constexpr std::optional<Kind> kindFromRawValue(int raw)
    {
        if (raw < 0 || raw >= static_cast<int>(allKinds.size()))
            return std::nullopt;
        return allKinds[static_cast<std::size_t>(raw)];
    }

    // How text is laid out and drawn: the font (pixel-sized), the colour and word wrapping.
    struct TextStyle {
        QString text;
        QFont font;
        QColor color;
        QTextOption option;
    };

    Annotation(Kind kind, QPointF p1, QPointF p2, QColor color, double lineWidth, double fontSize,
               QString text);

    std::shared_ptr<Annotation> copy() const;

    bool isRectLike() const;
    // The normalised rectangle spanned by p1 and p2.
    QRectF rect() const;
    // rect() grown on every side by max(scale x lineWidth, 8): what the selection outline is drawn from.
    QRectF bounds(double scale) const;
    bool hitTest(QPointF point, double scale) const;
    double distanceToSegment(QPointF point) const;
    // Eight points clockwise from the top-left for rect-like kinds; p1 and p2 for lines and arrows.
    std::vector<QPointF> handlePoints() const;
    // The rectangle after dragging one handle to a point; unknown handles change nothing.
    static QRectF resized(const QRectF& rect, int handle, QPointF to);

    // Paints into a painter whose coordinates are canvas pixels.
    void draw(QPainter& painter, double scale) const;
    TextStyle attributedText(double scale) const;
    // The box height (pixels) that shows all of the text at the box's current width.
    double fittingHeight(double scale) const;

    Kind kind;
    QPointF p1;
    QPointF p2;
    QColor color;
    double lineWidth;
    double fontSize;
    QString text;

private:
    void drawArrow(QPainter& painter, double width) const;
};

using AnnotationPtr = std::shared_ptr<Annotation>;

// A rectangle contains a point when left <= x < right and top <= y < bottom. QRectF::contains counts the
// right and bottom edges too, which would make a box and its neighbour both claim the shared edge.
bool halfOpenContains(const QRectF& rect, QPointF point);

} // namespace corvane
