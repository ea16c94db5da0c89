// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <qwindowdefs.h>
#include <chrono>
#include <optional>
#include <vector>

class QScreen;

namespace corvane {

// A window on screen as a capture start sees it: its frame (title bar and borders included) in the
// display server's device pixels, and its title.
struct WindowFrame {
    QRect frame;
    QString title;
};

// Where frozen pictures of the monitors come from: the X server, the desktop's screenshot portal on
// Wayland, or files for tests. One is chosen per process (makeCaptureSource, in src/capture).
class CaptureSource {
public:
    virtual ~CaptureSource() = default;

    // Asked once at the start of every capture, just before the grabs: false when the display refuses
    // to be read at all (no connection, a refused request). A source that gets the whole desktop in one
    // request (the screenshot portal) makes it here.
    virtual bool available() = 0;
    // The screen at its full device-pixel size with opaque pixels and no pointer, or a null image when
    // this one screen cannot be grabbed.
    virtual QImage grab(const QScreen& screen) = 0;
    // Makes the first real capture fast (connections, shared memory); never fails.
    virtual void warmUp() {}
    // Gives back what warmUp() and the grabs keep for the next capture, after a quiet period; the next
    // grab sets it up again.
    virtual void releaseIdleResources() {}
    // Returns once the display shows none of these (just hidden) windows any more, or when the time is
    // up. A window manager takes its frame down asynchronously, so a grab right after hide() can still
    // show the window.
    virtual void waitUntilGone(const std::vector<WId>& windows, std::chrono::milliseconds limit)
    {
        (void)windows;
        (void)limit;
    }
    // The frames of the windows on screen, topmost first, in the display server's device pixels (X11's
    // root window), for picking a window in the overlay; our own windows, the desktop and docks are not
    // among them. Nothing where the display server does not tell (Wayland): no window picking there.
    virtual std::optional<std::vector<WindowFrame>> windowFrames() { return std::nullopt; }
    // The window that holds the keyboard focus as the display itself sees it (0 for none), or nothing
    // where the display does not say (Wayland, files).
    virtual std::optional<WId> inputFocus() { return std::nullopt; }
    // The second paragraph of the alert shown when capturing is refused.
    virtual QString refusalExplanation() const = 0;
};

} // namespace corvane
