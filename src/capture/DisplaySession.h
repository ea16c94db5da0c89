// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace corvane {

// The kind of desktop session the program runs in, which decides where captures and shortcuts come
// from: the X server, or the desktop portals of a Wayland compositor.
enum class DisplaySession { x11, wayland, none };

// From Qt's platform plugin name and WAYLAND_DISPLAY. An X11 client under XWayland is in a Wayland
// session: the X server there sees only the other X11 clients' windows.
DisplaySession displaySessionOf(const QString& platformName, const QString& waylandDisplay);

// This process's session, decided once.
DisplaySession displaySession();

} // namespace corvane
