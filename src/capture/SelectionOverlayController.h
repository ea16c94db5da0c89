// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureResult.h"
#include "seams/CaptureSource.h"
#include "capture/DisplayShot.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <functional>
#include <optional>
#include <vector>

namespace corvane {

class OverlayWindow;

// Runs one region selection over every monitor at once and ends it exactly once: with the selected
// pixels cut out of that monitor's frozen picture, or with nothing when the user cancelled.
class SelectionOverlayController : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(std::optional<CaptureResult>)>;

    SelectionOverlayController() = default;
    ~SelectionOverlayController() override;

    // The window frames read at the start of the capture (topmost first, device pixels of the display),
    // or nothing where windows cannot be picked; `windowMode` starts the overlay picking one. Before begin().
    void setWindows(std::optional<std::vector<WindowFrame>> framesTopFirst, bool windowMode);

    // Puts an overlay on every monitor of `shots`, the first one taking the keyboard.
    void begin(const std::vector<DisplayShot>& shots, Completion completion);

    const std::vector<QPointer<OverlayWindow>>& windows() const { return m_windows; }
    // Puts the overlays back above windows that were mapped after them.
    void raise();

    // The single exit: `selection` in the monitor's logical coordinates, or nothing for a cancel.
    void finish(const DisplayShot& shot, const std::optional<QRectF>& selection);

    // The result of selecting `selection` on `shot`: nothing when it is under 3 x 3 or covers no pixel.
    static std::optional<CaptureResult> crop(const DisplayShot& shot, const QRectF& selection);

private:
    void closeWindows();

    void toggleWindowMode();

    std::vector<QPointer<OverlayWindow>> m_windows;
    std::optional<std::vector<WindowFrame>> m_frames;
    bool m_windowMode = false;
    Completion m_completion;
    bool m_finished = false;
};

} // namespace corvane
