// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/OverlayWindow.h"

#include "capture/DisplaySession.h"
#include "capture/OverlayView.h"

#include <QScreen>

namespace corvane {

namespace {

Qt::WindowFlags overlayFlags()
{
    const Qt::WindowFlags flags = Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    return displaySession() == DisplaySession::wayland ? flags : flags | Qt::X11BypassWindowManagerHint;
}

} // namespace

OverlayWindow::OverlayWindow(const DisplayShot& shot)
    : QWidget(nullptr, overlayFlags())
    , m_view(new OverlayView(shot, this))
{
    if (shot.screen)
        setScreen(shot.screen);
    setGeometry(shot.frame.toRect());
    m_view->setGeometry(rect());
    setCursor(Qt::CrossCursor);
}

void OverlayWindow::present()
{
    if (displaySession() == DisplaySession::wayland) {
        // A Wayland client cannot place its windows; asking for full screen on the window's screen is
        // how one covers exactly that output, at the output's scale. The view follows the window size.
        showFullScreen();
        return;
    }
    show();
}

void OverlayWindow::resizeEvent(QResizeEvent* event)
{
    m_view->setGeometry(rect());
    QWidget::resizeEvent(event);
}

} // namespace corvane
