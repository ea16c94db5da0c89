// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/IdleRelease.h"

#include "capture/OverlayWindowPool.h"
#include "capture/ScreenCapturer.h"

#include <QCoreApplication>
#include <QTimer>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace corvane::IdleRelease {

namespace {

struct Delays {
    std::chrono::milliseconds trim{2000};
    std::chrono::milliseconds quiet{30000};
};

Delays& delays()
{
    static Delays value;
    return value;
}

// Main-thread timers, parented to the application so that they go with it.
QTimer* timer(QTimer*& slot, void (*action)())
{
    if (!slot) {
        slot = new QTimer(QCoreApplication::instance());
        slot->setSingleShot(true);
        QObject::connect(slot, &QTimer::timeout, action);
        QObject::connect(slot, &QObject::destroyed, [&slot] { slot = nullptr; });
    }
    return slot;
}

QTimer* g_trim = nullptr;
QTimer* g_quiet = nullptr;

std::vector<std::function<void()>>& quietActions()
{
    static std::vector<std::function<void()>> actions;
    return actions;
}
#if defined(__GLIBC__)
// Blocks freed by other threads (the background save's encoder: some 28 MB for a 4K picture) stay in
// those threads' own arenas, and malloc_trim does not give back the free top of such an arena: after
// a Save to Desktop the program idled 36 MB above its start. With one arena the idle trim reaches it.
const bool g_oneArena = [] { return ::mallopt(M_ARENA_MAX, 1) == 1; }();
#endif

void releaseAll()
{
    for (const auto& action : quietActions())
        action();
    ScreenCapturer::source().releaseIdleResources();
    OverlayWindowPool::release();
    trimHeap();
}

} // namespace

void captureEnded()
{
    if (!QCoreApplication::instance())
        return;
    // Restarted by every capture: a burst of captures keeps its shared memory.
    timer(g_trim, trimHeap)->start(delays().trim);
    timer(g_quiet, releaseAll)->start(delays().quiet);
}

void addQuietAction(std::function<void()> action)
{
    quietActions().push_back(std::move(action));
}

void setDelays(std::chrono::milliseconds trim, std::chrono::milliseconds quiet)
{
    delays() = {trim, quiet};
}

void trimHeap()
{
#if defined(__GLIBC__)
    ::malloc_trim(0);
#endif
}

} // namespace corvane::IdleRelease
