// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <QPointF>
#include <QRectF>

namespace corvane {

// The menu that asks where a capture goes. Its shortcuts (Ctrl+C, Ctrl+T, Ctrl+D, Ctrl+S, Ctrl+E,
// Ctrl+P) work while it is open: a QMenu shown with exec() does not fire its actions' shortcuts by
// itself. Copy Text is disabled, with a tooltip naming what to install, where text cannot be read.
class DestinationMenu : public QMenu {
    Q_OBJECT
public:
    explicit DestinationMenu(QWidget* parent = nullptr);

    QAction* copyAction;
    QAction* desktopAction;
    QAction* saveAsAction;
    QAction* editorAction;
    QAction* copyTextAction;
    QAction* pinAction;
    QAction* cancelAction;

    // Whether a key or a click of the user's reached the menu: a menu closed without one was not
    // dismissed by the user.
    bool answeredByUser() const { return m_answered; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool m_answered = false;
};

// Where the menu opens, in global logical coordinates: 6 pixels inside the top-left corner of a capture
// wider than 40, at the pointer for a narrower one.
QPoint destinationMenuLocation(const QRectF& globalRect, QPoint pointer);

} // namespace corvane
