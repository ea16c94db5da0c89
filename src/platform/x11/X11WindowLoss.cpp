// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11WindowLoss.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QMetaObject>
#include <QPointer>
#include <QWindow>
#include <xcb/xcb.h>

namespace corvane::x11 {

namespace {

class DestroyWatch : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
            return false;
        const xcb_window_t gone = reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window;
        for (QWindow* window : QGuiApplication::topLevelWindows()) {
            if (!window->handle() || window->winId() != gone)
                continue;
            // Not from inside Qt's event dispatch: closing deletes the window's widget.
            QMetaObject::invokeMethod(
                window,
                [target = QPointer<QWindow>(window)] {
                    if (target)
                        target->close();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

} // namespace

void closeWindowsDestroyedElsewhere()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    static DestroyWatch watch;
    QCoreApplication::instance()->installNativeEventFilter(&watch);
}

} // namespace corvane::x11
