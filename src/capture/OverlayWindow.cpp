// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/OverlayWindow.h"

#include "capture/OverlayView.h"

#include <QScreen>

namespace corvane {

OverlayWindow::OverlayWindow(const DisplayShot& shot)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint)
    , m_view(new OverlayView(shot, this))
{
    if (shot.screen)
        setScreen(shot.screen);
    setGeometry(shot.frame.toRect());
    m_view->setGeometry(rect());
    setCursor(Qt::CrossCursor);
}

} // namespace corvane
