// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/CanvasView.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>
#include <array>
#include <cmath>
#include <memory>
#include <string>

namespace corvane::canvastest {

using Kind = Annotation::Kind;

inline QImage plainImage(int width, int height, QColor color = QColor(128, 128, 128))
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

inline AnnotationPtr shape(Kind kind, QPointF p1, QPointF p2, QString text = {}, double fontSize = 24)
{
    return std::make_shared<Annotation>(kind, p1, p2, QColor(0xFF, 0x3B, 0x30), 3, fontSize, std::move(text));
}

// Exact and printable, unlike QPointF's fuzzy operator==.
inline std::array<double, 4> xywh(const QRectF& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

// A committed text box is as high as its laid-out text, rounded up, plus the insets.
inline bool isWholePlusEight(double height)
{
    return height > 8 && height == std::floor(height);
}

inline std::string fields(const Annotation& a)
{
    return QString::asprintf("kind %d (%g, %g) (%g, %g) %s width %g font %g '%s'",
                             Annotation::rawValue(a.kind), a.p1.x(), a.p1.y(), a.p2.x(), a.p2.y(),
                             qPrintable(a.color.name()), a.lineWidth, a.fontSize, qPrintable(a.text))
        .toStdString();
}

inline void press(CanvasView& canvas, QPoint p, Qt::KeyboardModifiers mods = {})
{
    QTest::mousePress(&canvas, Qt::LeftButton, mods, p);
}

inline void release(CanvasView& canvas, QPoint p, Qt::KeyboardModifiers mods = {})
{
    QTest::mouseRelease(&canvas, Qt::LeftButton, mods, p);
}

// QTest::mouseMove carries no modifiers, and Shift is read from the move event itself.
inline void moveTo(CanvasView& canvas, QPoint p, Qt::KeyboardModifiers mods = {})
{
    QMouseEvent event(QEvent::MouseMove, QPointF(p), QPointF(canvas.mapToGlobal(p)), Qt::NoButton,
                      Qt::LeftButton, mods);
    QCoreApplication::sendEvent(&canvas, &event);
}

inline void drag(CanvasView& canvas, QPoint from, QPoint to, Qt::KeyboardModifiers mods = {})
{
    press(canvas, from, mods);
    moveTo(canvas, to, mods);
    release(canvas, to, mods);
}

inline void click(CanvasView& canvas, QPoint p)
{
    QTest::mouseClick(&canvas, Qt::LeftButton, {}, p);
}

// What a window system delivers for a double-click; QTest::mouseDClick alone sends only the third event.
inline void doubleClick(CanvasView& canvas, QPoint p)
{
    press(canvas, p);
    release(canvas, p);
    QTest::mouseDClick(&canvas, Qt::LeftButton, {}, p);
    release(canvas, p);
}

// Undoes everything there is; how many steps the history held. Leaves the canvas at its oldest state.
inline int drainUndo(CanvasView& canvas)
{
    int steps = 0;
    while (canvas.undo())
        ++steps;
    return steps;
}

struct CountingDelegate final : CanvasViewDelegate {
    int selectionChanges = 0;
    int contentChanges = 0;
    void canvasSelectionDidChange(CanvasView*) override { ++selectionChanges; }
    void canvasContentDidChange(CanvasView*) override { ++contentChanges; }
};

} // namespace corvane::canvastest
