// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/OverlayWindowPool.h"

#include "capture/OverlayView.h"
#include "capture/OverlayWindow.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace corvane::OverlayWindowPool {
namespace {

struct Kept {
    QPointer<OverlayWindow> window;
    QPointer<QScreen> screen;
    QRect frame;
    QSize pixels;
    bool inUse = false;
};

std::vector<Kept>& pool()
{
    static std::vector<Kept> value;
    return value;
}

void forgetDeleted()
{
    std::vector<Kept>& all = pool();
    all.erase(std::remove_if(all.begin(), all.end(), [](const Kept& k) { return !k.window; }), all.end());
}

void watchMonitors()
{
    static bool watching = false;
    if (watching || !qGuiApp)
        return;
    watching = true;
    // A kept window sits where a monitor was; a new layout starts from fresh windows.
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, qGuiApp, [] { clear(); });
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, qGuiApp, [] { clear(); });
    QObject::connect(qGuiApp, &QCoreApplication::aboutToQuit, qGuiApp, [] {
        for (const Kept& k : pool())
            if (k.window && !k.inUse)
                delete k.window;
        pool().clear();
    });
}

Kept* entryOf(OverlayWindow* window)
{
    for (Kept& k : pool())
        if (k.window == window)
            return &k;
    return nullptr;
}

} // namespace

OverlayWindow* take(const DisplayShot& shot)
{
    watchMonitors();
    forgetDeleted();
    const QRect frame = shot.frame.toRect();
    for (Kept& k : pool()) {
        if (k.inUse || k.screen != shot.screen || k.frame != frame || k.pixels != shot.image.size())
            continue;
        k.inUse = true;
        k.window->view()->reset(shot);
        return k.window;
    }
    auto* window = new OverlayWindow(shot);
    pool().push_back({window, shot.screen, frame, shot.image.size(), true});
    return window;
}

void giveBack(OverlayWindow* window)
{
    Kept* entry = entryOf(window);
    if (!entry) {
        window->deleteLater();
        return;
    }
    window->view()->releaseKeyboard();
    window->hide();
    entry->inUse = false;
    QPointer<OverlayWindow> held(window);
    QTimer::singleShot(0, window, [held] {
        const Kept* now = entryOf(held);
        if (!held || !now || now->inUse)
            return; // taken again already
        held->view()->onSelect = nullptr;
        held->view()->onCancel = nullptr;
        held->view()->reset({});
    });
}

void clear()
{
    for (Kept& k : pool()) {
        if (!k.window)
            continue;
        // A window still in a capture is no longer kept: it is deleted when that capture gives it back.
        if (!k.inUse)
            k.window->deleteLater();
    }
    pool().clear();
}

} // namespace corvane::OverlayWindowPool
