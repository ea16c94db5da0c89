// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// The window list read from a virtual X server with no window manager: windows made here with the
// properties a window manager and its clients set, read back through a connection of the list's own.
#include "platform/x11/X11WindowList.h"

#include "platform/x11/XcbReply.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace corvane {
namespace {

using x11::XcbReply;
using Listed = std::vector<std::pair<QRect, std::string>>;

TEST(X11WindowListTest, LeavesOutOursDocksDesktopsHiddenAndBypassingWindows)
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(connection), 0) << "no X server (run under with-xvfb.sh)";
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto atom = [connection](const char* name) {
        const auto cookie = xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name);
        return XcbReply<xcb_intern_atom_reply_t>(xcb_intern_atom_reply(connection, cookie, nullptr))->atom;
    };
    const auto window = [connection, root](QRect r, int border, bool mapped = true, bool bypass = false) {
        const xcb_window_t id = xcb_generate_id(connection);
        const std::uint32_t values[] = {bypass ? 1u : 0u};
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, id, root, std::int16_t(r.x()),
                          std::int16_t(r.y()), std::uint16_t(r.width()), std::uint16_t(r.height()),
                          std::uint16_t(border), XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT, values);
        if (mapped)
            xcb_map_window(connection, id);
        return id;
    };
    // A property of 32-bit words (a vector) or of 8-bit text (a string).
    const auto set = [connection](xcb_window_t id, xcb_atom_t property, xcb_atom_t type, const auto& data) {
        const std::uint8_t bits = sizeof data[0] * 8;
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, property, type, bits,
                            std::uint32_t(data.size()), data.data());
    };
    const auto read = [connection, root](std::uint32_t ownPid) {
        // Every request above is done once this answer comes.
        free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        xcb_connection_t* other = xcb_connect(nullptr, nullptr);
        Listed listed;
        for (const WindowFrame& listedWindow : x11::readWindowFrames(other, root, ownPid))
            listed.emplace_back(listedWindow.frame, listedWindow.title.toStdString());
        xcb_disconnect(other);
        return listed;
    };

    const xcb_window_t back = window({10, 20, 100, 50}, 0);
    const xcb_window_t front = window({50, 40, 100, 50}, 2);
    window({0, 0, 300, 300}, 0, true, true); // a menu or an overlay: bypasses the window manager
    window({5, 5, 20, 20}, 0, false);        // unmapped: minimised or on another workspace
    const xcb_window_t dock = window({0, 700, 1280, 32}, 0);
    set(dock, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, std::vector{atom("_NET_WM_WINDOW_TYPE_DOCK")});
    const xcb_window_t desktop = window({0, 0, 1280, 800}, 0);
    set(desktop, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM,
        std::vector{atom("_NET_WM_WINDOW_TYPE_DESKTOP")});
    const xcb_window_t ours = window({400, 400, 60, 60}, 0);
    set(ours, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, std::vector<std::uint32_t>{4242});

    // Without a window manager's list: the root's children, topmost first, borders included (a window's
    // place is its border's outer corner).
    EXPECT_EQ(read(4242), (Listed{{{50, 40, 104, 54}, ""}, {{10, 20, 100, 50}, ""}}));

    // With one: its stacking order (bottom first), and the frame extents (left, right, top, bottom).
    set(back, atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, std::vector<std::uint32_t>{1, 2, 20, 3});
    set(root, atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW,
        std::vector{front, dock, back, ours, desktop});
    // Titles: the UTF-8 one where there is one, else the old Latin-1 one.
    set(back, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, std::string("caf\xe9"));
    set(front, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, std::string("old"));
    set(front, atom("_NET_WM_NAME"), atom("UTF8_STRING"), std::string("Front \xe2\x80\x94 new"));
    EXPECT_EQ(read(4242),
              (Listed{{{9, 0, 103, 73}, "caf\xc3\xa9"}, {{50, 40, 104, 54}, "Front \xe2\x80\x94 new"}}));
    xcb_delete_property(connection, root, atom("_NET_CLIENT_LIST_STACKING"));
    xcb_disconnect(connection);
}

} // namespace
} // namespace corvane
