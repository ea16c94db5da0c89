// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/DisplayShot.h"

#include <QWidget>

namespace corvane {

class OverlayView;

// A borderless window over exactly one monitor, above everything else, holding that monitor's
// OverlayView. On X11 it is outside the window manager's control (so no panel, dock or decoration
// covers it); a Wayland compositor has no such windows, and a full-screen one on the monitor does it.
class OverlayWindow : public QWidget {
    Q_OBJECT
public:
    explicit OverlayWindow(const DisplayShot& shot);

    OverlayView* view() const { return m_view; }
    // Shows it over its monitor, the way the session allows.
    void present();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    OverlayView* m_view;
};

} // namespace corvane
