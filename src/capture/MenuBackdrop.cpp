// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/MenuBackdrop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QWindow>

namespace corvane {

MenuBackdrop::MenuBackdrop(const DisplayShot& shot)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_picture(shot.image)
{
    if (shot.screen)
        setScreen(shot.screen);
    // Qt places a pop-up against its parent by the parent's geometry, which a compositor never tells.
    setGeometry(shot.frame.toRect());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MenuBackdrop::present()
{
    showFullScreen();
    QElapsedTimer waited;
    waited.start();
    while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    // The keyboard may be on another monitor (Space pressed with the pointer elsewhere); the menu's keys
    // must reach it.
    activateWindow();
}

void MenuBackdrop::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(rect(), m_picture);
}

} // namespace corvane
