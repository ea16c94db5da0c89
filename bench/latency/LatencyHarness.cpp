// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// End-to-end latency of the real program on an X server: presses its shortcuts through XTEST and
// watches, with DAMAGE, for its windows to be created, mapped and painted over their whole area. It
// starts the program itself (everything after "--"), so it also sees the first capture after start,
// and reads the program's resident memory from /proc.
//
//   bench_latency [--repeat N] [--idle-wait SECONDS] [--quick] [--cli-trigger] -- /path/to/corvane [args]
//
// Measured: hotkey press to every overlay window fully painted (first after start, then warm
// repeats); drag frames (pointer motion to the last pixels of the frame on the screen); Open in
// Editor (Ctrl+E in the destination menu to the editor window painted); resident memory idle, after
// the captures and after the idle wait, and the first capture after that wait; Save to Desktop of a
// full-screen capture (Ctrl+D in the menu to the finished file in $HOME/Desktop). --quick stops after
// the warm captures (the two-monitor run). --cli-trigger also measures `corvane --capture-region`,
// a new process handing the request to the running one over the session bus, to the overlays painted.
// Every overlay figure is printed beside this machine's floor for the same job, measured first on the
// same server (OverlayFloor.h), and the ratio to it.
#include "OverlayFloor.h"

#include <xcb/damage.h>
#include <xcb/randr.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

[[noreturn]] void die(const std::string& message)
{
    std::fprintf(stderr, "bench_latency: %s\n", message.c_str());
    std::exit(2);
}

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> own(T* reply)
{
    return Reply<T>(reply, &std::free);
}

struct Rect {
    int x, y, width, height;
};

// Which parts of a window have been painted, in cells of 8 x 8 pixels; a cell counts once a damage
// rectangle covers it whole, so "covered" never claims more than was drawn (edge cells excepted).
class Coverage {
public:
    Coverage() = default;
    Coverage(int width, int height)
        : m_columns((width + 7) / 8)
        , m_rows((height + 7) / 8)
        , m_width(width)
        , m_height(height)
        , m_cells(std::size_t(m_columns) * std::size_t(m_rows), false)
        , m_left(m_cells.size())
    {}

    void add(int x, int y, int width, int height)
    {
        const int right = std::min(x + width, m_width);
        const int bottom = std::min(y + height, m_height);
        // Whole cells only, except that a rectangle reaching a window edge completes the edge cells.
        const int c0 = (std::max(x, 0) + 7) / 8;
        const int r0 = (std::max(y, 0) + 7) / 8;
        const int c1 = right == m_width ? m_columns : right / 8;
        const int r1 = bottom == m_height ? m_rows : bottom / 8;
        for (int r = r0; r < r1; ++r)
            for (int c = c0; c < c1; ++c) {
                auto cell = m_cells[std::size_t(r) * std::size_t(m_columns) + std::size_t(c)];
                if (!cell) {
                    cell = true;
                    --m_left;
                }
            }
    }
    bool complete() const { return !m_cells.empty() && m_left == 0; }

private:
    int m_columns = 0, m_rows = 0, m_width = 0, m_height = 0;
    std::vector<bool> m_cells;
    std::size_t m_left = 0;
};

struct Watched {
    bool ours = false; // the program's own window (its _NET_WM_PID), not the window manager's
    bool overrideRedirect = false;
    bool mapped = false;
    Rect geometry{};
    xcb_damage_damage_t damage = 0;
    Coverage coverage;
    bool painted = false;
    Clock::time_point lastDamage;
};

class Harness {
public:
    Harness()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection))
            die("cannot connect to the X server (DISPLAY)");
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        auto damage = own(xcb_damage_query_version_reply(
            m_connection, xcb_damage_query_version(m_connection, 1, 1), nullptr));
        if (!damage)
            die("the X server has no DAMAGE extension");
        m_damageEvent = xcb_get_extension_data(m_connection, &xcb_damage_id)->first_event;
        auto xtest = own(xcb_test_get_version_reply(m_connection, xcb_test_get_version(m_connection, 2, 1),
                                                    nullptr));
        if (!xtest)
            die("the X server has no XTEST extension");
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        readMonitors();
        readKeymap();
        auto atom = own(xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, 11, "_NET_WM_PID"),
                                              nullptr));
        if (!atom)
            die("cannot intern _NET_WM_PID");
        m_pidAtom = atom->atom;
        xcb_flush(m_connection);
    }

    ~Harness() { xcb_disconnect(m_connection); }

    const std::vector<Rect>& monitors() const { return m_monitors; }
    void setProgram(pid_t pid) { m_program = pid; }

    // Presses and releases keys given by keysym, the first ones held as modifiers.
    void pressKeys(const std::vector<xcb_keysym_t>& keysyms)
    {
        std::vector<xcb_keycode_t> codes;
        for (xcb_keysym_t sym : keysyms) {
            const auto found = m_keycodes.find(sym);
            if (found == m_keycodes.end())
                die("no key produces keysym " + std::to_string(sym) + " (run xmodmap -e 'keycode 191 = F13')");
            codes.push_back(found->second);
        }
        for (xcb_keycode_t code : codes)
            xcb_test_fake_input(m_connection, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (auto it = codes.rbegin(); it != codes.rend(); ++it)
            xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_connection);
    }

    void movePointer(int x, int y)
    {
        xcb_test_fake_input(m_connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, int16_t(x),
                            int16_t(y), 0);
        xcb_flush(m_connection);
    }

    void button(bool press)
    {
        xcb_test_fake_input(m_connection, press ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME,
                            XCB_NONE, 0, 0, 0);
        xcb_flush(m_connection);
    }

    // Waits until COUNT windows of the kind asked for (override-redirect overlays matching a
    // monitor, or a managed top-level) are mapped and painted whole; milliseconds from START, or
    // nothing on timeout.
    std::optional<double> waitPainted(Clock::time_point start, bool overlays, std::size_t count,
                                      double timeoutMs = 5000)
    {
        while (millisecondsSince(start) < timeoutMs) {
            if (paintedCount(overlays) >= count)
                return millisecondsSince(start);
            pump(5);
        }
        return std::nullopt;
    }

    // Drag frames: for each pointer step, the time to the last damage rectangle of the repaint it
    // caused (a frame is over once 15 ms pass without more).
    std::vector<double> dragFrames(int x, int y, int steps)
    {
        std::vector<double> frames;
        movePointer(x, y);
        button(true);
        settle(50);
        for (int i = 1; i <= steps; ++i) {
            const auto start = Clock::now();
            m_lastAnyDamage = {};
            movePointer(x + i * 9, y + i * 6);
            while (millisecondsSince(start) < 1000) {
                pump(1);
                if (m_lastAnyDamage != Clock::time_point{} &&
                    std::chrono::duration<double, std::milli>(Clock::now() - m_lastAnyDamage).count() > 15)
                    break;
            }
            if (m_lastAnyDamage != Clock::time_point{})
                frames.push_back(std::chrono::duration<double, std::milli>(m_lastAnyDamage - start).count());
        }
        button(false);
        return frames;
    }

    // Waits until none of the tracked windows of that kind is mapped.
    bool waitGone(bool overlays, double timeoutMs = 5000)
    {
        const auto start = Clock::now();
        while (millisecondsSince(start) < timeoutMs) {
            bool any = false;
            for (const auto& [id, w] : m_windows)
                any = any || (w.mapped && w.overrideRedirect == overlays && isOverlayShaped(w) == overlays);
            if (!any)
                return true;
            pump(5);
        }
        return false;
    }

    // Any new override-redirect window that is not an overlay (the destination menu) painted.
    bool waitMenu(double timeoutMs = 5000)
    {
        const auto start = Clock::now();
        while (millisecondsSince(start) < timeoutMs) {
            for (const auto& [id, w] : m_windows)
                if (w.ours && w.mapped && w.painted && w.overrideRedirect && !isOverlayShaped(w))
                    return true;
            pump(5);
        }
        return false;
    }

    void settle(int ms)
    {
        const auto start = Clock::now();
        while (millisecondsSince(start) < ms)
            pump(2);
    }

    // Forgets every window seen so far; the next measurement counts only new ones.
    // Starts a new measurement: every window still there counts as unpainted again. Windows stay
    // followed, since the program may show the same ones again (it keeps its overlays between
    // captures), and only a window followed since before its map is sure to report all its damage.
    void forget()
    {
        for (auto& [id, w] : m_windows) {
            w.painted = false;
            w.coverage = Coverage(w.geometry.width, w.geometry.height);
        }
    }

private:
    bool isOverlayShaped(const Watched& w) const
    {
        for (const Rect& m : m_monitors)
            if (w.geometry.x == m.x && w.geometry.y == m.y && w.geometry.width == m.width &&
                w.geometry.height == m.height)
                return true;
        return false;
    }

    std::size_t paintedCount(bool overlays) const
    {
        std::size_t n = 0;
        for (const auto& [id, w] : m_windows) {
            const bool kind = overlays ? (w.overrideRedirect && isOverlayShaped(w)) : !w.overrideRedirect;
            if (kind && w.ours && w.mapped && w.painted)
                ++n;
        }
        return n;
    }

    void track(xcb_window_t window, bool overrideRedirect, Rect geometry)
    {
        // A managed window is reparented into the window manager's frame before it is mapped, and
        // the root then hears nothing more of it: listen to the window itself.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, window, XCB_CW_EVENT_MASK, &mask);
        Watched& w = m_windows[window];
        w.overrideRedirect = overrideRedirect;
        w.geometry = geometry;
        w.coverage = Coverage(geometry.width, geometry.height);
        w.damage = xcb_generate_id(m_connection);
        xcb_damage_create(m_connection, w.damage, window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        xcb_flush(m_connection);
    }

    void pump(int waitMs)
    {
        xcb_generic_event_t* event = xcb_poll_for_event(m_connection);
        if (!event) {
            std::this_thread::sleep_for(std::chrono::microseconds(std::min(waitMs, 1) * 200));
            event = xcb_poll_for_event(m_connection);
        }
        for (; event; event = xcb_poll_for_event(m_connection)) {
            handle(event);
            std::free(event);
        }
        if (xcb_connection_has_error(m_connection))
            die("lost the X server");
    }

    void handle(xcb_generic_event_t* event)
    {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            auto* e = reinterpret_cast<xcb_create_notify_event_t*>(event);
            if (e->parent == m_root)
                track(e->window, e->override_redirect, {e->x, e->y, e->width, e->height});
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            auto* e = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            auto found = m_windows.find(e->window);
            if (found != m_windows.end() && (found->second.geometry.width != e->width ||
                                             found->second.geometry.height != e->height ||
                                             found->second.geometry.x != e->x || found->second.geometry.y != e->y)) {
                found->second.geometry = {e->x, e->y, e->width, e->height};
                found->second.coverage = Coverage(e->width, e->height);
                found->second.painted = false;
            }
        } else if (type == XCB_MAP_NOTIFY) {
            auto* e = reinterpret_cast<xcb_map_notify_event_t*>(event);
            auto found = m_windows.find(e->window);
            if (found != m_windows.end()) {
                found->second.mapped = true;
                found->second.ours = ownedByProgram(e->window);
            }
        } else if (type == XCB_UNMAP_NOTIFY || type == XCB_DESTROY_NOTIFY) {
            const xcb_window_t window = type == XCB_UNMAP_NOTIFY
                                            ? reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window
                                            : reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window;
            auto found = m_windows.find(window);
            if (found != m_windows.end() && type == XCB_DESTROY_NOTIFY) {
                m_windows.erase(found); // its damage object went with it
            } else if (found != m_windows.end()) {
                found->second.mapped = false;
                found->second.painted = false;
                found->second.coverage = Coverage(found->second.geometry.width, found->second.geometry.height);
            }
        } else if (type == m_damageEvent + XCB_DAMAGE_NOTIFY) {
            auto* e = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            auto found = m_windows.find(e->drawable);
            if (found == m_windows.end())
                return;
            Watched& w = found->second;
            w.coverage.add(e->area.x, e->area.y, e->area.width, e->area.height);
            if (w.mapped && !w.painted && w.coverage.complete()) {
                // The server may clear a window when it maps it, which damages it whole too: an
                // overlay counts as painted only once it shows the dimmed picture.
                w.painted = !(w.overrideRedirect && isOverlayShaped(w)) || showsDimmedRoot(e->drawable, w);
                if (!w.painted)
                    w.coverage = Coverage(w.geometry.width, w.geometry.height);
            }
            w.lastDamage = m_lastAnyDamage = Clock::now();
        }
    }

    std::optional<std::uint32_t> pixel(xcb_drawable_t drawable, int x, int y)
    {
        auto reply = own(xcb_get_image_reply(
            m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, int16_t(x), int16_t(y), 1, 1, ~0u),
            nullptr));
        if (!reply || xcb_get_image_data_length(reply.get()) < 4)
            return std::nullopt;
        std::uint32_t value;
        std::memcpy(&value, xcb_get_image_data(reply.get()), 4);
        return value & 0xffffffu;
    }

    // Points away from the crosshair (the pointer is left in the middle), the hint and the edges.
    static constexpr std::array<std::pair<double, double>, 4> kProbes = {
        {{0.1, 0.6}, {0.3, 0.9}, {0.8, 0.6}, {0.9, 0.1}}};

    // The overlay dims with black at 45 %: every channel at 140/255 of the root's, give or take.
    bool showsDimmedRoot(xcb_window_t window, const Watched& w)
    {
        for (const auto& [u, v] : kProbes) {
            const int x = int(u * w.geometry.width);
            const int y = int(v * w.geometry.height);
            const auto shown = pixel(window, x, y);
            const auto root = m_rootPixels.find({w.geometry.x + x, w.geometry.y + y});
            if (!shown || root == m_rootPixels.end())
                return false;
            for (int shift = 0; shift < 24; shift += 8) {
                const int expected = int((root->second >> shift) & 0xffu) * 140 / 255;
                if (std::abs(int((*shown >> shift) & 0xffu) - expected) > 3)
                    return false;
            }
        }
        return true;
    }

public:
    // Reads the root window where the probes of every monitor's overlay will look.
    void readRootProbes()
    {
        for (const Rect& m : m_monitors)
            for (const auto& [u, v] : kProbes) {
                const int x = m.x + int(u * m.width);
                const int y = m.y + int(v * m.height);
                if (const auto p = pixel(m_root, x, y))
                    m_rootPixels[{x, y}] = *p;
            }
    }

private:
    bool ownedByProgram(xcb_window_t window)
    {
        auto reply = own(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr));
        return reply && xcb_get_property_value_length(reply.get()) == 4 &&
               *static_cast<const uint32_t*>(xcb_get_property_value(reply.get())) == uint32_t(m_program);
    }

    void readMonitors()
    {
        auto reply = own(xcb_randr_get_monitors_reply(m_connection, xcb_randr_get_monitors(m_connection, m_root, 1),
                                                      nullptr));
        if (reply) {
            for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
                 xcb_randr_monitor_info_next(&it))
                m_monitors.push_back({it.data->x, it.data->y, it.data->width, it.data->height});
        }
        if (m_monitors.empty()) {
            const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
            m_monitors.push_back({0, 0, screen->width_in_pixels, screen->height_in_pixels});
        }
    }

    void readKeymap()
    {
        const xcb_setup_t* setup = xcb_get_setup(m_connection);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        auto reply = own(xcb_get_keyboard_mapping_reply(
            m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, uint8_t(count)), nullptr));
        if (!reply)
            die("cannot read the keyboard mapping");
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
        const int per = reply->keysyms_per_keycode;
        for (int k = 0; k < count; ++k)
            for (int i = 0; i < per; ++i) {
                const xcb_keysym_t sym = syms[k * per + i];
                if (sym && !m_keycodes.count(sym))
                    m_keycodes[sym] = xcb_keycode_t(setup->min_keycode + k);
            }
    }

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    uint8_t m_damageEvent = 0;
    xcb_atom_t m_pidAtom = 0;
    pid_t m_program = 0;
    std::vector<Rect> m_monitors;
    std::map<xcb_keysym_t, xcb_keycode_t> m_keycodes;
    std::map<xcb_window_t, Watched> m_windows;
    std::map<std::pair<int, int>, std::uint32_t> m_rootPixels;
    Clock::time_point m_lastAnyDamage;
};

constexpr xcb_keysym_t kF13 = 0xffca, kEscape = 0xff1b, kControl = 0xffe3, kShift = 0xffe1, kSuper = 0xffeb,
                       kThree = 0x33, kD = 0x64, kE = 0x65, kW = 0x77;

void report(const char* what, std::vector<double> values, const char* target)
{
    if (values.empty()) {
        std::printf("%-48s  no measurement (timed out)\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) { return values[std::size_t(q * double(values.size() - 1) + 0.5)]; };
    std::printf("%-48s  median %7.2f ms  p10 %7.2f  p90 %7.2f  min %7.2f  max %7.2f  n=%zu  (target %s)\n",
                what, at(0.5), at(0.1), at(0.9), values.front(), values.back(), values.size(), target);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// An overlay figure with the floor beside it and the ratio of the medians.
void reportOverlay(const char* what, const std::vector<double>& values, double floor, const char* target)
{
    report(what, values, target);
    if (!values.empty() && floor > 0)
        std::printf("%-48s  floor %7.2f ms, ratio %.1f x floor, floor + %.1f ms\n", "", floor,
                    median(values) / floor, median(values) - floor);
}

// The Desktop's picture files, to see a new one appear.
std::size_t desktopFiles(const std::string& desktop)
{
    std::error_code error;
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(desktop, error))
        if (entry.path().extension() == ".png" && entry.path().filename().string()[0] != '.')
            ++count;
    return count;
}

double residentMegabytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return -1;
}

// One capture: the press (or the command-line trigger started), every overlay painted; then Escape and
// the overlays gone.
std::optional<double> captureOnce(Harness& x, const char* program = nullptr)
{
    x.forget();
    const auto start = Clock::now();
    pid_t trigger = 0;
    if (program) {
        trigger = fork();
        if (trigger == 0) {
            execl(program, program, "--capture-region", static_cast<char*>(nullptr));
            _exit(127);
        }
    } else {
        x.pressKeys({kF13});
    }
    const auto painted = x.waitPainted(start, true, x.monitors().size());
    x.pressKeys({kEscape});
    x.waitGone(true);
    x.settle(300);
    if (trigger > 0)
        waitpid(trigger, nullptr, 0);
    return painted;
}

// Save to Desktop of a whole-monitor capture: Ctrl+D in its menu to the finished file on the Desktop
// (the file gets its name only once it is complete).
std::optional<double> saveOnce(Harness& x, const std::string& desktop)
{
    x.forget();
    x.movePointer(400, 300);
    x.pressKeys({kControl, kShift, kSuper, kThree});
    if (!x.waitMenu())
        return std::nullopt;
    x.settle(100);
    const std::size_t before = desktopFiles(desktop);
    const auto start = Clock::now();
    x.pressKeys({kControl, kD});
    while (millisecondsSince(start) < 10000) {
        if (desktopFiles(desktop) > before)
            return millisecondsSince(start);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    int repeat = 20;
    int idleWait = 65;
    bool quick = false;
    bool cliTrigger = false;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (!std::strcmp(argv[i], "--repeat") && i + 1 < argc)
            repeat = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--idle-wait") && i + 1 < argc)
            idleWait = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--quick"))
            quick = true;
        else if (!std::strcmp(argv[i], "--cli-trigger"))
            cliTrigger = true;
        else
            die("usage: bench_latency [--repeat N] [--idle-wait SECONDS] [--quick] [--cli-trigger] -- PROGRAM [ARGS]");
    }
    if (i + 1 >= argc)
        die("no program to run after --");

    // The floor first, on a connection of its own, before the program runs.
    double floor = 0;
    {
        xcb_connection_t* own = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(own))
            die("cannot connect to the X server (DISPLAY)");
        const OverlayFloor measured = measureOverlayFloor(own, std::max(repeat, 9));
        xcb_disconnect(own);
        floor = median(measured.warm);
        report("overlay floor (bare XCB client), warm segment", measured.warm, "-");
        std::printf("%-48s  %7.2f ms (one run)\n", "overlay floor, fresh segment", measured.fresh);
        std::printf("%-48s  %7.2f ms (one run)\n", "overlay floor, fresh segment populated at once",
                    measured.populated);
    }

    Harness x;
    x.readRootProbes();
    std::printf("monitors: %zu;", x.monitors().size());
    for (const Rect& m : x.monitors())
        std::printf(" %dx%d+%d+%d", m.width, m.height, m.x, m.y);
    std::printf("\n");

    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[i + 1], argv + i + 1);
        std::perror("exec");
        _exit(127);
    }
    x.setProgram(child);

    // The first press that gets an overlay is the first capture after start; presses that come
    // before the program has grabbed its keys simply go unanswered.
    std::optional<double> first;
    double idleAtStart = 0;
    for (int attempt = 0; attempt < 30 && !first; ++attempt) {
        x.settle(attempt == 0 ? 1500 : 500);
        idleAtStart = residentMegabytes(child);
        x.forget();
        const auto start = Clock::now();
        x.pressKeys({kF13});
        first = x.waitPainted(start, true, x.monitors().size(), 3000);
        if (first) {
            x.pressKeys({kEscape});
            x.waitGone(true);
            x.settle(300);
        }
    }
    if (!first) {
        kill(child, SIGTERM);
        die("the program never showed its overlays");
    }
    reportOverlay("first capture after start: press to painted", {*first}, floor, "100 ms");

    std::vector<double> warm;
    for (int r = 0; r < repeat; ++r)
        if (const auto t = captureOnce(x))
            warm.push_back(*t);
    reportOverlay("capture, warm: press to every overlay painted", warm, floor,
                  x.monitors().size() > 1 ? "3 x floor" : "2.5 x floor and 15 ms");

    if (cliTrigger) {
        std::vector<double> cli;
        for (int r = 0; r < std::max(5, repeat / 2); ++r)
            if (const auto t = captureOnce(x, argv[i + 1]))
                cli.push_back(*t);
        reportOverlay("corvane --capture-region: start to painted", cli, floor, "floor + 40 ms");
    }

    if (!quick) {
        // Drag frames in one capture, then Escape in the destination menu.
        x.forget();
        const auto start = Clock::now();
        x.pressKeys({kF13});
        if (x.waitPainted(start, true, x.monitors().size())) {
            report("drag frame: motion to last pixels", x.dragFrames(200, 200, 60), "2 ms median, 4 ms p90");
            x.waitMenu();
            x.pressKeys({kEscape});
            x.waitGone(true);
        }
        x.settle(300);

        // Open in Editor from the monitor capture's menu; Ctrl+W closes it again. Twenty at least,
        // for a p90 that is not simply the slowest sample.
        std::vector<double> editor;
        for (int r = 0; r < std::max(20, repeat); ++r) {
            x.forget();
            x.movePointer(400, 300);
            x.pressKeys({kControl, kShift, kSuper, kThree});
            if (!x.waitMenu())
                continue;
            x.settle(100);
            x.forget();
            const auto opened = Clock::now();
            x.pressKeys({kControl, kE});
            if (const auto t = x.waitPainted(opened, false, 1))
                editor.push_back(*t);
            x.settle(200);
            x.pressKeys({kControl, kW});
            x.settle(300);
        }
        report("open in editor: Ctrl+E to window painted", editor, "100 ms p90");

        // Save to Desktop of the whole (4K) monitor.
        const char* home = std::getenv("HOME");
        std::vector<double> saves;
        for (int r = 0; r < 5 && home; ++r) {
            if (const auto t = saveOnce(x, std::string(home) + "/Desktop"))
                saves.push_back(*t);
            x.settle(2500); // the toast and the encoder's buffers go
        }
        report("save to desktop: Ctrl+D to the complete file", saves, "150 ms");

        const double afterCaptures = residentMegabytes(child);
        std::printf("waiting %d s idle...\n", idleWait);
        std::fflush(stdout);
        x.settle(idleWait * 1000);
        const double afterIdle = residentMegabytes(child);
        const auto late = captureOnce(x);
        reportOverlay("first capture after the idle wait", late ? std::vector<double>{*late} : std::vector<double>{},
                      floor, "100 ms");
        std::printf("%-48s  %.1f MB (target 30 MB)\n", "resident memory, idle after start", idleAtStart);
        std::printf("%-48s  %.1f MB\n", "resident memory, right after the captures", afterCaptures);
        std::printf("%-48s  %.1f MB (target: within 10 MB of idle)\n", "resident memory, after the idle wait",
                    afterIdle);
    }

    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    return 0;
}
