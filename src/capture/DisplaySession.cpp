// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/DisplaySession.h"

#include <QGuiApplication>

namespace corvane {

DisplaySession displaySessionOf(const QString& platformName, const QString& waylandDisplay)
{
    if (platformName.startsWith(QLatin1String("wayland")))
        return DisplaySession::wayland;
    if (platformName == QLatin1String("xcb"))
        return waylandDisplay.isEmpty() ? DisplaySession::x11 : DisplaySession::wayland;
    return DisplaySession::none;
}

DisplaySession displaySession()
{
    static const DisplaySession session =
        displaySessionOf(QGuiApplication::platformName(), qEnvironmentVariable("WAYLAND_DISPLAY"));
    return session;
}

} // namespace corvane
