// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "annotation/ToolKind.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRect>
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
    enum class Kind : int {
        rectangle = 0,
        ellipse = 1,
        line = 2,
        arrow = 3,
        text = 4,
        highlighter = 5,
        pen = 6,
        step = 7,
        redaction = 8,
    };
    static constexpr std::array<Kind, 9> allKinds{Kind::rectangle, Kind::ellipse, Kind::line,
                                                  Kind::arrow,     Kind::text,    Kind::highlighter,
                                                  Kind::pen,       Kind::step,    Kind::redaction};
    // How a redaction hides what is under it.
    enum class RedactionStyle : int { pixelate = 0, solid = 1 };
    static constexpr int rawValue(Kind kind) { return static_cast<int>(kind); }

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

    // Rect-like kinds are resized by eight handles on their rectangle (freehand strokes too, scaling
    // their points); lines and arrows by their two ends; a step marker has no handles, its size
    // follows its font size.
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

    // Moves every point of the annotation.
    void translate(QPointF offset);
    // The points a pen or highlighter stroke runs through: `points`, or p1 to p2 when it has none.
    std::vector<QPointF> strokePoints() const;
    // Sets p1 and p2 to the top-left and bottom-right of the stroke's points.
    void fitToPoints();
    // The highlighter's stroke width in points for a line width: several times as broad.
    static double highlighterWidth(double lineWidth);
    // The square a step marker centred on a point occupies at a font size (points) and scale.
    static QRectF stepSquare(QPointF centre, double fontSize, double scale);

    // Paints into a painter whose coordinates are canvas pixels. Redactions paint nothing here: they
    // need the picture, see drawRedaction().
    void draw(QPainter& painter, double scale) const;
    // Replaces the redaction's rectangle of `original` (the unannotated picture, whose pixels are the
    // painter's coordinates) by the redacted look: blocks of mean colour and fresh noise, or the colour.
    // A pixelated look is computed again only when the rectangle or the picture changed, so the view
    // does not flicker and undo brings back exactly what was shown.
    void drawRedaction(QPainter& painter, const QImage& original) const;
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
    // The freehand stroke of a pen or highlighter, in canvas pixels; empty for the other kinds.
    std::vector<QPointF> points;
    // A step marker's number, 1 for the first placed; renumberSteps() keeps them gapless.
    int stepNumber = 1;
    RedactionStyle redactionStyle = RedactionStyle::pixelate;

private:
    void drawArrow(QPainter& painter, double width) const;
    void drawStroke(QPainter& painter, double scale) const;
    void drawStep(QPainter& painter) const;

    // The last pixelated look, the picture region it was computed for and that picture's cache key.
    mutable QImage m_redactedTile;
    mutable QRect m_redactedRegion;
    mutable qint64 m_redactedSource = 0;
};

using AnnotationPtr = std::shared_ptr<Annotation>;

// A rectangle contains a point when left <= x < right and top <= y < bottom. QRectF::contains counts the
// right and bottom edges too, which would make a box and its neighbour both claim the shared edge.
bool halfOpenContains(const QRectF& rect, QPointF point);

// Numbers the step markers 1, 2, 3 ... in list order (the order of placement), whatever was deleted.
void renumberSteps(const std::vector<AnnotationPtr>& annotations);

} // namespace corvane
