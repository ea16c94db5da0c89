// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/OverlayWindowPool.h"

#include "capture/DisplaySession.h"
#include "capture/OverlayView.h"
#include "capture/OverlayWindow.h"

#include <QBackingStore>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <future>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace corvane::OverlayWindowPool {
namespace {

struct Kept {
    QPointer<OverlayWindow> window;
    QPointer<QScreen> screen;
    QRect frame;
    QSize pixels;
    bool inUse = false;
    bool cold = false; // its backing store's pages are not present
};

struct Pages {
    void* start = nullptr;
    std::size_t length = 0;
};

std::vector<Kept>& pool()
{
    static std::vector<Kept> value;
    return value;
}

// The pages wholly inside a kept window's backing store: Qt's X11 backing store is a block of shared
// memory the server also maps, so giving its pages back frees them for both.
Pages backingPages(OverlayWindow* window)
{
    QBackingStore* store = window->backingStore();
    QPaintDevice* device = store ? store->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image)
        return {};
    const auto* image = static_cast<const QImage*>(device);
    const auto page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const auto begin = (std::uintptr_t(image->constBits()) + page - 1) / page * page;
    const auto end = (std::uintptr_t(image->constBits()) + std::uintptr_t(image->sizeInBytes())) / page * page;
    if (image->isNull() || end <= begin)
        return {};
    return {reinterpret_cast<void*>(begin), std::size_t(end - begin)};
}

// Pages being made present on another thread; done before any kept window can go.
std::future<void>& warming()
{
    static std::future<void> value;
    return value;
}

void finishWarming()
{
    if (warming().valid())
        warming().wait();
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
        finishWarming();
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
        k.cold = false;
        k.window->view()->reset(shot);
        return k.window;
    }
    auto* window = new OverlayWindow(shot);
    pool().push_back({window, shot.screen, frame, shot.image.size(), true});
    return window;
}

void prepare()
{
    // Under Wayland the overlay asks for full screen when shown; a window made ahead gains nothing there.
    if (displaySession() != DisplaySession::x11)
        return;
    watchMonitors();
    forgetDeleted();
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect frame = screen->geometry();
        const double ratio = screen->devicePixelRatio();
        const QSize pixels(qRound(frame.width() * ratio), qRound(frame.height() * ratio));
        const bool have = std::any_of(pool().begin(), pool().end(), [&](const Kept& k) {
            return k.screen == screen && k.frame == frame && k.pixels == pixels;
        });
        if (have)
            continue;
        auto* window = new OverlayWindow({screen->name(), QImage(), QRectF(frame), ratio, screen});
        // The native window and its backing store's block, with no page of it present yet: the
        // first capture then pays only for the pages, and those are made present while it grabs.
        window->winId();
        if (QBackingStore* store = window->backingStore())
            store->resize(frame.size());
        pool().push_back({window, screen, frame, pixels, false, true});
    }
}

void warm()
{
    finishWarming();
    std::vector<Pages> cold;
    for (Kept& k : pool()) {
        if (!k.window || k.inUse || !k.cold)
            continue;
        k.cold = false;
        if (const Pages pages = backingPages(k.window); pages.length > 0)
            cold.push_back(pages);
    }
    if (cold.empty())
        return;
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14; older kernels refuse it and the pages fault in as painted
#endif
    // On the other core, while this one has the screen grabbed: both are mostly the kernel finding
    // and clearing pages, which a virtual machine makes slow.
    warming() = std::async(std::launch::async, [cold = std::move(cold)] {
        for (const Pages& pages : cold)
            ::madvise(pages.start, pages.length, MADV_POPULATE_WRITE);
    });
}

void release()
{
    finishWarming();
    forgetDeleted();
    std::vector<Kept> still;
    for (Kept& k : pool()) {
        // Kept, with its pages given back: a window is cheap, its picture's worth of memory is not.
        // Showing it paints it whole, so what the pages held does not matter.
        const Pages pages = k.inUse || k.cold ? Pages{} : backingPages(k.window);
        if (k.inUse || k.cold || (pages.length > 0 && ::madvise(pages.start, pages.length, MADV_REMOVE) == 0)) {
            k.cold = !k.inUse;
            still.push_back(k);
        } else {
            k.window->deleteLater();
        }
    }
    pool() = std::move(still);
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
    finishWarming();
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
