// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/FocusedScreen.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace corvane {

std::optional<QPoint> focusedScreenCentre()
{
    QWidget probe(nullptr, Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    probe.setAttribute(Qt::WA_TranslucentBackground);
    // A window whose size cannot change floats on tiling compositors, so nothing else moves aside.
    probe.setFixedSize(1, 1);
    probe.show();
    QElapsedTimer waited;
    waited.start();
    // The output is known once the surface has entered one, a frame or more after the window is mapped.
    // Qt starts every window on the first screen, so a window that stays there is on it (or the
    // compositor was slow to say otherwise, and the first screen is the fallback anyway).
    QScreen* first = probe.windowHandle() ? probe.windowHandle()->screen() : nullptr;
    QElapsedTimer sinceExposed;
    while (waited.elapsed() < 1500) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        QWindow* window = probe.windowHandle();
        if (!window || !window->isExposed())
            continue;
        if (!sinceExposed.isValid())
            sinceExposed.start();
        if (window->screen() != first || sinceExposed.elapsed() > 400)
            break;
    }
    QWindow* window = probe.windowHandle();
    const bool known = window && window->isExposed() && window->screen();
    const std::optional<QPoint> centre =
        known ? std::optional<QPoint>(window->screen()->geometry().center()) : std::nullopt;
    probe.hide();
    return centre;
}

} // namespace corvane
