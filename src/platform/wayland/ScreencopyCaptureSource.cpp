// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/ScreencopyCaptureSource.h"

#include "platform/wayland/ScreencopyPixels.h"

#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

#include <QGuiApplication>
#include <QScreen>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

namespace corvane::wayland {
namespace {

using Clock = std::chrono::steady_clock;

struct Output {
    std::uint32_t global = 0;
    wl_output* proxy = nullptr;
    zxdg_output_v1* xdg = nullptr;
    QString name;
    std::optional<QPoint> position;
    int transform = 0;
};

struct Frame {
    zwlr_screencopy_frame_v1* proxy = nullptr;
    FrameLayout layout;
    bool shmOffered = false;
    bool described = false; // every buffer kind announced
    bool ready = false;
    bool failed = false;
    wl_buffer* buffer = nullptr;
    void* memory = MAP_FAILED;
    std::size_t size = 0;
    QString screenName;
    QSize logicalSize;
    double scale = 1;

    bool finished() const { return ready || failed; }
    ~Frame()
    {
        if (buffer)
            wl_buffer_destroy(buffer);
        if (proxy)
            zwlr_screencopy_frame_v1_destroy(proxy);
        if (memory != MAP_FAILED)
            munmap(memory, size);
    }
};

// One connection to the compositor and what it offers, torn down whole when a capture ends, so a
// capture leaves nothing behind on either side.
struct Connection {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_shm* shm = nullptr;
    zwlr_screencopy_manager_v1* manager = nullptr;
    std::uint32_t managerVersion = 0;
    zxdg_output_manager_v1* xdgOutputs = nullptr;
    std::vector<std::unique_ptr<Output>> outputs;

    ~Connection()
    {
        for (const auto& output : outputs) {
            if (output->xdg)
                zxdg_output_v1_destroy(output->xdg);
            if (output->proxy) {
                if (wl_output_get_version(output->proxy) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
                    wl_output_release(output->proxy);
                else
                    wl_output_destroy(output->proxy);
            }
        }
        if (xdgOutputs)
            zxdg_output_manager_v1_destroy(xdgOutputs);
        if (manager)
            zwlr_screencopy_manager_v1_destroy(manager);
        if (shm)
            wl_shm_destroy(shm);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_disconnect(display);
    }

    // Dispatches events until `done` holds; false when the connection breaks or the deadline passes
    // first. wl_display_roundtrip would wait for ever on a stalled compositor.
    bool dispatchUntil(const std::function<bool()>& done, Clock::time_point deadline)
    {
        for (;;) {
            if (wl_display_dispatch_pending(display) < 0)
                return false;
            if (done())
                return true;
            while (wl_display_prepare_read(display) != 0) {
                if (wl_display_dispatch_pending(display) < 0)
                    return false;
            }
            if (wl_display_flush(display) < 0 && errno != EAGAIN) {
                wl_display_cancel_read(display);
                return false;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                wl_display_cancel_read(display);
                return false;
            }
            pollfd fd{wl_display_get_fd(display), POLLIN, 0};
            const int polled = poll(&fd, 1, int(std::min<qint64>(left.count(), 1000)));
            if (polled <= 0) {
                wl_display_cancel_read(display);
                if (polled < 0 && errno != EINTR)
                    return false;
                continue;
            }
            if (wl_display_read_events(display) < 0)
                return false;
        }
    }

    // Waits until the compositor has answered everything asked so far.
    bool sync(Clock::time_point deadline)
    {
        bool answered = false;
        static const wl_callback_listener listener{
            [](void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }};
        wl_callback* callback = wl_display_sync(display);
        wl_callback_add_listener(callback, &listener, &answered);
        const bool ok = dispatchUntil([&answered] { return answered; }, deadline);
        wl_callback_destroy(callback);
        return ok;
    }
};

template <typename... Args>
void ignore(void*, Args...)
{}

const wl_output_listener outputListener{
    [](void* data, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, const char*,
       const char*, std::int32_t transform) { static_cast<Output*>(data)->transform = transform; },
    ignore<wl_output*, std::uint32_t, std::int32_t, std::int32_t, std::int32_t>, // mode
    ignore<wl_output*>, // done
    ignore<wl_output*, std::int32_t>, // scale
    [](void* data, wl_output*, const char* name) {
        auto* output = static_cast<Output*>(data);
        if (output->name.isEmpty())
            output->name = QString::fromUtf8(name);
    },
    ignore<wl_output*, const char*>, // description
};

const zxdg_output_v1_listener xdgOutputListener{
    [](void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
        static_cast<Output*>(data)->position = QPoint(x, y);
    },
    ignore<zxdg_output_v1*, std::int32_t, std::int32_t>, // logical size
    ignore<zxdg_output_v1*>, // done
    [](void* data, zxdg_output_v1*, const char* name) { static_cast<Output*>(data)->name = QString::fromUtf8(name); },
    ignore<zxdg_output_v1*, const char*>, // description
};

const wl_registry_listener registryListener{
    [](void* data, wl_registry* registry, std::uint32_t global, const char* interface, std::uint32_t version) {
        auto* connection = static_cast<Connection*>(data);
        const auto is = [interface](const wl_interface& known) { return std::strcmp(interface, known.name) == 0; };
        if (is(wl_shm_interface)) {
            connection->shm = static_cast<wl_shm*>(wl_registry_bind(registry, global, &wl_shm_interface, 1));
        } else if (is(zwlr_screencopy_manager_v1_interface)) {
            connection->managerVersion = std::min<std::uint32_t>(version, 3);
            connection->manager = static_cast<zwlr_screencopy_manager_v1*>(wl_registry_bind(
                registry, global, &zwlr_screencopy_manager_v1_interface, connection->managerVersion));
        } else if (is(zxdg_output_manager_v1_interface) && version >= 2) {
            // Names came with version 2.
            connection->xdgOutputs = static_cast<zxdg_output_manager_v1*>(wl_registry_bind(
                registry, global, &zxdg_output_manager_v1_interface, std::min<std::uint32_t>(version, 3)));
        } else if (is(wl_output_interface)) {
            auto output = std::make_unique<Output>();
            output->global = global;
            output->proxy = static_cast<wl_output*>(
                wl_registry_bind(registry, global, &wl_output_interface, std::min<std::uint32_t>(version, 4)));
            wl_output_add_listener(output->proxy, &outputListener, output.get());
            connection->outputs.push_back(std::move(output));
        }
    },
    // An output unplugged during the capture: its frame fails, and the screen is left out.
    ignore<wl_registry*, std::uint32_t>,
};

const zwlr_screencopy_frame_v1_listener frameListener{
    [](void* data, zwlr_screencopy_frame_v1*, std::uint32_t format, std::uint32_t width, std::uint32_t height,
       std::uint32_t stride) {
        auto* frame = static_cast<Frame*>(data);
        frame->layout.format = format;
        frame->layout.width = int(std::min<std::uint32_t>(width, 1u << 15));
        frame->layout.height = int(std::min<std::uint32_t>(height, 1u << 15));
        frame->layout.stride = int(std::min<std::uint32_t>(stride, 1u << 20));
        frame->shmOffered = true;
        if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(frame->proxy)) < 3)
            frame->described = true; // older compositors send no buffer_done
    },
    [](void* data, zwlr_screencopy_frame_v1*, std::uint32_t flags) {
        static_cast<Frame*>(data)->layout.yInverted = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
    },
    [](void* data, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t) {
        static_cast<Frame*>(data)->ready = true;
    },
    [](void* data, zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->failed = true; },
    ignore<zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>, // damage
    ignore<zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t>, // linux_dmabuf
    [](void* data, zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->described = true; },
};

// Shared memory the compositor copies the frame into; false leaves the frame to fail.
bool attachBuffer(Connection& connection, Frame& frame)
{
    if (!frame.shmOffered || !readableFormat(frame.layout.format) || frame.layout.width <= 0 ||
        frame.layout.height <= 0 || frame.layout.stride <= 0)
        return false;
    frame.size = std::size_t(frame.layout.stride) * std::size_t(frame.layout.height);
    if (frame.size > std::size_t(INT32_MAX)) // a wl_shm pool's size is a 32-bit int
        return false;
    const int fd = memfd_create("corvane-screencopy", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    if (ftruncate(fd, off_t(frame.size)) != 0) {
        close(fd);
        return false;
    }
    frame.memory = mmap(nullptr, frame.size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (frame.memory == MAP_FAILED) {
        close(fd);
        return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(connection.shm, fd, std::int32_t(frame.size));
    frame.buffer = wl_shm_pool_create_buffer(pool, 0, frame.layout.width, frame.layout.height, frame.layout.stride,
                                             frame.layout.format);
    wl_shm_pool_destroy(pool);
    close(fd);
    zwlr_screencopy_frame_v1_copy(frame.proxy, frame.buffer);
    return true;
}

// A connection with the registry read; null when there is no compositor or it does not answer.
std::unique_ptr<Connection> connect(Clock::time_point deadline)
{
    auto connection = std::make_unique<Connection>();
    connection->display = wl_display_connect(nullptr);
    if (!connection->display)
        return nullptr;
    connection->registry = wl_display_get_registry(connection->display);
    wl_registry_add_listener(connection->registry, &registryListener, connection.get());
    if (!connection->sync(deadline))
        return nullptr;
    return connection;
}

} // namespace

ScreencopyCaptureSource::ScreencopyCaptureSource(std::chrono::milliseconds answerLimit)
    : m_answerLimit(answerLimit)
{}

bool ScreencopyCaptureSource::offered()
{
    const std::unique_ptr<Connection> connection = connect(Clock::now() + std::chrono::seconds(2));
    return connection && connection->manager && connection->shm;
}

bool ScreencopyCaptureSource::available()
{
    m_pictures.clear();
    const Clock::time_point deadline = Clock::now() + m_answerLimit;
    const std::unique_ptr<Connection> connection = connect(deadline);
    if (!connection || !connection->manager || !connection->shm)
        return false;
    // The outputs' names and places: wl_output v4 sends its name on binding, xdg-output on asking.
    if (connection->xdgOutputs) {
        for (const auto& output : connection->outputs) {
            output->xdg = zxdg_output_manager_v1_get_xdg_output(connection->xdgOutputs, output->proxy);
            zxdg_output_v1_add_listener(output->xdg, &xdgOutputListener, output.get());
        }
    }
    if (!connection->sync(deadline))
        return false;

    const QList<QScreen*> screens = QGuiApplication::screens();
    std::vector<ScreenIdentity> screenIds;
    for (const QScreen* screen : screens)
        screenIds.push_back({screen->name(), screen->geometry().topLeft()});
    std::vector<OutputIdentity> outputIds;
    for (const auto& output : connection->outputs)
        outputIds.push_back({output->name, output->position});
    const std::vector<std::optional<std::size_t>> pairs = pairScreensWithOutputs(screenIds, outputIds);

    std::vector<std::unique_ptr<Frame>> frames;
    for (std::size_t s = 0; s < pairs.size(); ++s) {
        if (!pairs[s])
            continue;
        auto frame = std::make_unique<Frame>();
        frame->screenName = screenIds[s].name;
        frame->logicalSize = screens[qsizetype(s)]->geometry().size();
        frame->scale = screens[qsizetype(s)]->devicePixelRatio();
        frame->layout.transform = connection->outputs[*pairs[s]]->transform;
        // Without the pointer: Corvane's pictures never show it.
        frame->proxy = zwlr_screencopy_manager_v1_capture_output(connection->manager, 0,
                                                                 connection->outputs[*pairs[s]]->proxy);
        zwlr_screencopy_frame_v1_add_listener(frame->proxy, &frameListener, frame.get());
        frames.push_back(std::move(frame));
    }
    const auto all = [&frames](bool (*done)(const Frame&)) {
        return [&frames, done] { return std::all_of(frames.begin(), frames.end(), [done](const auto& f) { return done(*f); }); };
    };
    if (!connection->dispatchUntil(all([](const Frame& f) { return f.described || f.failed; }), deadline))
        return false;
    for (const auto& frame : frames) {
        if (!frame->failed && !attachBuffer(*connection, *frame))
            frame->failed = true;
    }
    if (!connection->dispatchUntil(all([](const Frame& f) { return f.finished(); }), deadline))
        return false;
    for (const auto& frame : frames) {
        if (!frame->ready)
            continue;
        QImage image = atDeviceSize(
            frameToImage(static_cast<const unsigned char*>(frame->memory), frame->size, frame->layout),
            frame->logicalSize, frame->scale);
        if (!image.isNull())
            m_pictures.insert(frame->screenName, std::move(image));
    }
    return true;
}

QImage ScreencopyCaptureSource::grab(const QScreen& screen)
{
    return m_pictures.value(screen.name());
}

QString ScreencopyCaptureSource::refusalExplanation() const
{
    return QStringLiteral("The compositor did not copy the screen, or stopped answering. Try again; if it "
                          "keeps failing, restart the compositor or set CORVANE_CAPTURE_SOURCE=portal to "
                          "capture through the desktop's screenshot portal.");
}

} // namespace corvane::wayland
