// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "seams/CaptureSource.h"

#include <QHash>
#include <chrono>

namespace corvane::wayland {

// Captures each output through the wlroots screencopy protocol (sway, Hyprland, river, ...), on a
// Wayland connection of its own: every output comes at its own device-pixel size with the compositor's
// exact pixels, where the screenshot portal of these desktops hands over one picture of the whole
// layout in which outputs at a lower scale are enlarged with filtering.
class ScreencopyCaptureSource final : public CaptureSource {
public:
    // Each frame is copied at the output's next repaint; a compositor that stalls longer than this
    // is treated as refusing.
    static constexpr std::chrono::milliseconds defaultAnswerLimit{5000};

    explicit ScreencopyCaptureSource(std::chrono::milliseconds answerLimit = defaultAnswerLimit);

    // Copies every screen's output: false when the compositor cannot be reached, does not offer the
    // protocol, or does not answer in time. An output whose frame fails leaves that screen out.
    bool available() override;
    QImage grab(const QScreen& screen) override;
    QString refusalExplanation() const override;

    // Whether the compositor of this session (WAYLAND_DISPLAY) offers the protocol.
    static bool offered();

private:
    std::chrono::milliseconds m_answerLimit;
    QHash<QString, QImage> m_pictures; // by screen name, from the latest capture
};

} // namespace corvane::wayland
