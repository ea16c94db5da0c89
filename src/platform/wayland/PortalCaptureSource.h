// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "seams/CaptureSource.h"

#include <QDBusConnection>
#include <QHash>
#include <chrono>

namespace corvane::wayland {

// Captures through the desktop's screenshot portal (org.freedesktop.portal.Screenshot), the only way a
// Wayland client may read the screen. One non-interactive request per capture brings one picture of
// the whole layout, which is cut into one picture per screen at that screen's own device-pixel size.
class PortalCaptureSource final : public CaptureSource {
public:
    // GNOME never answers a non-interactive request it has no stored permission for, so the wait is
    // bounded; a big layout takes the wlroots portal a second or two to encode.
    static constexpr std::chrono::milliseconds defaultAnswerLimit{10000};

    explicit PortalCaptureSource(QDBusConnection bus = QDBusConnection::sessionBus(),
                                 std::chrono::milliseconds answerLimit = defaultAnswerLimit);

    // Takes the picture of the whole layout: false when the portal refuses, fails or stays silent.
    bool available() override;
    QImage grab(const QScreen& screen) override;
    QString refusalExplanation() const override;

private:
    QDBusConnection m_bus;
    std::chrono::milliseconds m_answerLimit;
    QHash<QString, QImage> m_pictures; // by screen name, from the latest request
};

// Where the desktop named by XDG_CURRENT_DESKTOP lets the user grant screenshots (a sentence).
QString screenshotPermissionHint(const QString& currentDesktop);

} // namespace corvane::wayland
