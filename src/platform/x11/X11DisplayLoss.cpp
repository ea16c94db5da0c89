// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11DisplayLoss.h"

#include <QGuiApplication>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

namespace corvane::x11 {

namespace {

// Plain data only: the handler runs during exit(), when Qt's own statics may already be gone.
std::atomic<xcb_connection_t*> watchedConnection{nullptr};
char watchedDisplay[256] = "";

void sayIfDisplayWasLost()
{
    xcb_connection_t* connection = watchedConnection.load();
    if (connection && xcb_connection_has_error(connection))
        std::fprintf(stderr, "\ncorvane: lost the connection to the X display %s; quitting\n",
                     watchedDisplay);
}

} // namespace

void armLostDisplayMessage()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    static const bool registered = std::atexit(sayIfDisplayWasLost) == 0;
    if (!registered)
        return;
    std::snprintf(watchedDisplay, sizeof watchedDisplay, "%s",
                  qEnvironmentVariable("DISPLAY").toLocal8Bit().constData());
    watchedConnection = x11->connection();
}

void disarmLostDisplayMessage()
{
    watchedConnection = nullptr;
}

} // namespace corvane::x11
