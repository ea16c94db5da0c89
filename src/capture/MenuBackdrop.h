// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/DisplayShot.h"

#include <QWidget>

namespace corvane {

// A Wayland compositor shows a pop-up menu only next to a window of the same program, and places it
// only relative to that window. Once the overlays are gone this full-screen window, showing the frozen
// picture undimmed (what the monitor showed a moment ago), carries the destination menu on that monitor.
class MenuBackdrop : public QWidget {
    Q_OBJECT
public:
    explicit MenuBackdrop(const DisplayShot& shot);

    // Shows it over its monitor and waits (briefly) until the compositor has mapped it: a pop-up whose
    // parent is not on screen yet is not shown at all. The menu is then made with this as its parent.
    void present();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

} // namespace corvane
