// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/DisplayShot.h"

#include <QFont>
#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace corvane {

// Covers one monitor with its frozen picture, dimmed, and turns the pointer and keys into a selection.
// Idle it shows a crosshair at the pointer and a hint; while dragging, the selected area undimmed with
// a white outline and a label of its size. Coordinates are the monitor's logical pixels, top-left
// origin. Everything drawn follows from the fields, so the view can also be rendered off screen.
class OverlayView : public QWidget {
    Q_OBJECT
public:
    static const QString hintText;
    // The hints where windows can be picked (X11): in region mode, and in window mode.
    static const QString regionHintText;
    static const QString windowHintText;

    explicit OverlayView(DisplayShot shot, QWidget* parent = nullptr);

    std::function<void(const QRectF&)> onSelect;
    std::function<void()> onCancel;
    // Tab while nothing is dragged, where windows can be picked: the controller switches every monitor.
    std::function<void()> onToggleWindowMode;

    // The windows under the overlay in its logical coordinates, topmost first; once set, Tab offers
    // window mode, where the window under the pointer is outlined and a click takes it.
    void setWindows(std::vector<QRectF> windowsTopFirst);
    void setWindowMode(bool on);
    bool windowMode() const { return m_windowMode; }
    const std::optional<QRectF>& hoveredWindow() const { return m_hovered; }
    const QString& hint() const;

    const DisplayShot& shot() const { return m_shot; }
    // Starts over on another picture of the same monitor: no selection, the pointer where it is now.
    // An empty shot lets the old picture go while the view waits, hidden, for the next capture.
    void reset(DisplayShot shot);
    std::optional<QPointF> anchor;
    std::optional<QPointF> current;
    QPointF mouse;
    bool hasMoved = false;

    bool isSelecting() const { return anchor && current; }
    QRectF selection() const;
    // Where the size label and the hint are drawn for the current state.
    QRectF sizeLabelBox() const;
    QRectF hintPill() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    // Tab is ours, not the focus chain's.
    bool focusNextPrevChild(bool next) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Nothing in the overlay shows the focus: gaining or losing it repaints nothing.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void paintDimmed(QPainter& painter, const QRegion& region);
    bool dimInto(QPainter& painter, const QRegion& region) const;
    void paintSelecting(QPainter& painter, const QRegion& region);
    void paintIdle(QPainter& painter, const QRegion& region);
    // What must be repainted when the selection or the crosshair moves.
    QRegion selectionChrome() const;
    QRegion crosshairRegion() const;
    void moveTo(QPointF point);
    void hoverWindow(QPointF point);
    // The event's position with the fraction of a logical pixel that Qt rounds away for widgets.
    QPointF exactPosition(const QMouseEvent* event) const;

    DisplayShot m_shot;
    QImage m_backdrop;
    QPointF m_windowPointer; // the latest pointer position the window saw, unrounded
    QFont m_hintFont;
    QFont m_labelFont;
    std::vector<QRectF> m_windows;
    bool m_windowsOffered = false;
    bool m_windowMode = false;
    std::optional<QRectF> m_hovered;
    // What the last whole frame without a selection showed. The window's activation, which comes after
    // the first frame is on the screen, has Qt repaint the whole window: the same frame again is a
    // second pass over a 4K picture for nothing, as the backing store holds it already.
    struct IdleFrame {
        qint64 picture;
        QSize size;
        QPointF mouse;
        const QString* hint;
        bool operator==(const IdleFrame&) const = default;
    };
    std::optional<IdleFrame> m_idleFrame;
};

} // namespace corvane
