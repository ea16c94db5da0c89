// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGraphicsView>

namespace corvane {

class CanvasView;

// Shows a canvas magnified, scrolled, and centred when it is smaller than the view. The canvas is
// embedded as a widget in a scene and the view scales the scene, so the canvas and its in-place text
// editor zoom together and pointer positions reach the canvas already in image pixels.
class ZoomView : public QGraphicsView {
    Q_OBJECT
public:
    static constexpr double minimumMagnification = 0.1;
    static constexpr double maximumMagnification = 8;

    ZoomView(CanvasView* canvas, QWidget* parent = nullptr);

    // Screen pixels per image pixel.
    double magnification() const { return m_magnification; }
    // Clamped into 0.1 ... 8.
    void setMagnification(double magnification);
    // The magnification at which the whole picture fits the view, within the limits.
    double fittingMagnification() const;

protected:
    void wheelEvent(QWheelEvent* event) override;
    // Only around the canvas: the canvas paints every pixel under it itself.
    void drawBackground(QPainter* painter, const QRectF& exposed) override;

private:
    CanvasView* m_canvas;
    double m_magnification = 1;
};

} // namespace corvane
