// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/SelectionOverlayController.h"

#include "capture/OverlayGeometry.h"
#include "capture/OverlayView.h"
#include "capture/OverlayWindow.h"
#include "capture/WindowPicker.h"
#include "capture/OverlayWindowPool.h"

#include <QGuiApplication>
#include <utility>

namespace corvane {

SelectionOverlayController::~SelectionOverlayController()
{
    closeWindows();
}

void SelectionOverlayController::setWindows(std::optional<std::vector<WindowFrame>> framesTopFirst, bool windowMode)
{
    m_frames = std::move(framesTopFirst);
    m_windowMode = windowMode && m_frames;
}

void SelectionOverlayController::toggleWindowMode()
{
    m_windowMode = !m_windowMode;
    for (const QPointer<OverlayWindow>& window : m_windows) {
        if (window)
            window->view()->setWindowMode(m_windowMode);
    }
}

void SelectionOverlayController::begin(const std::vector<DisplayShot>& shots, Completion completion)
{
    m_completion = std::move(completion);
    std::vector<QRect> frames;
    for (const WindowFrame& window : m_frames.value_or(std::vector<WindowFrame>{}))
        frames.push_back(window.frame);
    for (const DisplayShot& shot : shots) {
        auto* window = OverlayWindowPool::take(shot);
        QPointer<SelectionOverlayController> self(this);
        window->view()->onSelect = [self, shot](const QRectF& selection) {
            if (self)
                self->finish(shot, selection);
        };
        window->view()->onCancel = [self, shot] {
            if (self)
                self->finish(shot, std::nullopt);
        };
        if (m_frames) {
            // The monitor's device pixels start at its logical top-left, as Qt places screens.
            const QRect pixels(shot.frame.topLeft().toPoint(), shot.image.size());
            window->view()->setWindows(WindowPicker::onMonitor(frames, pixels, shot.scale));
            window->view()->setWindowMode(m_windowMode);
            window->view()->onToggleWindowMode = [self] {
                if (self)
                    self->toggleWindowMode();
            };
        }
        window->present();
        m_windows.emplace_back(window);
    }
    if (!m_windows.empty()) {
        OverlayWindow* first = m_windows.front();
        first->raise();
        first->activateWindow();
        // Override-redirect windows never get the focus from a window manager: without the grab,
        // Escape and Space would go to whatever window had the focus before.
        first->view()->grabKeyboard();
        first->view()->setFocus(Qt::OtherFocusReason);
    }
    // Under Wayland the compositor gives the focus to one of the windows, not necessarily the first;
    // the keyboard grab above only steers keys within the program, so every view must be ready for them.
    for (const QPointer<OverlayWindow>& window : m_windows)
        window->view()->setFocus(Qt::OtherFocusReason);
    // The frozen pictures show the monitors as they were: once one is unplugged or a new one
    // appears, an overlay would sit on the wrong monitor or leave one uncovered, so the selection
    // ends as if cancelled and the next capture sees the new layout.
    if (!shots.empty()) {
        const DisplayShot any = shots.front();
        const auto cancel = [this, any] {
            finish(any, std::nullopt);
        };
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, cancel);
        connect(qGuiApp, &QGuiApplication::screenAdded, this, cancel);
    }
}

void SelectionOverlayController::raise()
{
    for (const QPointer<OverlayWindow>& window : m_windows) {
        if (window)
            window->raise();
    }
}

void SelectionOverlayController::closeWindows()
{
    for (const QPointer<OverlayWindow>& window : m_windows) {
        if (!window)
            continue;
        OverlayWindowPool::giveBack(window);
    }
    m_windows.clear();
}

void SelectionOverlayController::finish(const DisplayShot& shot, const std::optional<QRectF>& selection)
{
    if (m_finished)
        return;
    m_finished = true;
    closeWindows();
    Completion completion = std::exchange(m_completion, nullptr);
    if (!completion)
        return;
    std::optional<CaptureResult> result = selection ? crop(shot, *selection) : std::nullopt;
    // A picked window lends its title to the file name patterns that ask for it.
    if (result && m_windowMode && m_frames)
        result->windowTitle = WindowPicker::titleOf(*m_frames, QRect(shot.frame.topLeft().toPoint(), shot.image.size()),
                                                    shot.scale, *selection);
    completion(result);
}

std::optional<CaptureResult> SelectionOverlayController::crop(const DisplayShot& shot,
                                                              const QRectF& selection)
{
    if (selection.width() < OverlayGeometry::minimumSelection ||
        selection.height() < OverlayGeometry::minimumSelection)
        return std::nullopt;
    const QRect pixels = OverlayGeometry::cropRect(selection, shot.image.size(), shot.frame.size());
    if (pixels.isEmpty())
        return std::nullopt;
    return CaptureResult{
        shot.image.copy(pixels),
        shot.image.width() / shot.frame.width(),
        selection.translated(shot.frame.topLeft()),
    };
}

} // namespace corvane
