// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/DisplayShot.h"

#include <QWidget>

namespace corvane {

class OverlayView;

// A borderless window over exactly one monitor, above everything else and outside the window
// manager's control (so no panel, dock or decoration covers it), holding that monitor's OverlayView.
class OverlayWindow : public QWidget {
    Q_OBJECT
public:
    explicit OverlayWindow(const DisplayShot& shot);

    OverlayView* view() const { return m_view; }

private:
    OverlayView* m_view;
};

} // namespace corvane
