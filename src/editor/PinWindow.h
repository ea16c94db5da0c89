// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "output/SaveAs.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <vector>

namespace corvane {

// A capture kept in view on top of every other window: frameless, with a thin two-tone border around
// the picture, at the picture's logical size. The left button drags it, the wheel zooms it around the
// pointer (0.25 to 4), Ctrl+wheel sets its opacity (20 to 100 %), a double-click opens it in the
// editor, Escape closes it; the context menu has Copy, Save As, Open in Editor and Close. Any number of
// pins live until closed. It is one of our windows, so captures leave it out like the editor.
class PinWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr double minimumZoom = 0.25;
    static constexpr double maximumZoom = 4;
    static constexpr double minimumOpacity = 0.2;
    // Logical pixels of border on each side of the picture.
    static constexpr int border = 2;

    // The one way to pin: IMAGE has SCALE device pixels per logical pixel, and its picture appears
    // with its top-left corner at GLOBALRECT's (global logical coordinates), so a region pinned over
    // its own place looks unchanged until it is moved.
    static PinWindow* pin(const QImage& image, double scale, const QRectF& globalRect);
    static const std::vector<PinWindow*>& openPins();

    ~PinWindow() override;

    double zoom() const { return m_zoom; }
    // Where the picture is shown, border excluded, in global logical coordinates.
    QRectF pictureGeometry() const;
    void setDialogs(SaveDialogs dialogs) { m_dialogs = std::move(dialogs); }

    void copyImage();
    void saveImageAs();
    void openInEditor();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    PinWindow(const QImage& image, double scale);

    void showPicture(const QRectF& picture);

    QImage m_image;
    double m_scale;
    double m_zoom = 1;
    QPointF m_origin;          // the picture's top-left, global logical
    QPointF m_dragOffset;      // pointer minus origin while dragging
    bool m_dragging = false;
    int m_wheelRemainder = 0;  // eighths of a degree not yet turned into steps
    SaveDialogs m_dialogs;
};

// The wheel's arithmetic, apart so it can be tested without a window. Each step multiplies the zoom by
// 1.25 (divides when negative), clamped to 0.25 ... 4; each step changes the opacity by 10 %, clamped
// to 20 ... 100 %.
double pinZoomAfter(double zoom, int steps);
double pinOpacityAfter(double opacity, int steps);
// The picture's rectangle after zooming from OLDZOOM to NEWZOOM with the point under POINTER kept
// where it is.
QRectF pinZoomedAround(const QRectF& picture, QPointF pointer, double oldZoom, double newZoom);

} // namespace corvane
