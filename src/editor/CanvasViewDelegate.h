// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace corvane {

class CanvasView;

// What a canvas tells its owner. The owner answers both the same way (it refreshes its controls), so
// which of the two an edit sends, and in which order, carries no meaning.
class CanvasViewDelegate {
public:
    virtual void canvasSelectionDidChange(CanvasView* canvas) = 0;
    virtual void canvasContentDidChange(CanvasView* canvas) = 0;

protected:
    CanvasViewDelegate() = default;
    CanvasViewDelegate(const CanvasViewDelegate&) = default;
    CanvasViewDelegate& operator=(const CanvasViewDelegate&) = default;
    ~CanvasViewDelegate() = default;
};

} // namespace corvane
