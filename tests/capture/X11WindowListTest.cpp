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

class X11WindowListTest : public ::testing::Test {
public:
    void SetUp() override
    {
        m_connection = xcb_connect(nullptr, nullptr);
        ASSERT_EQ(xcb_connection_has_error(m_connection), 0) << "no X server (run under with-xvfb.sh)";
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    void TearDown() override { xcb_disconnect(m_connection); }

    xcb_atom_t atom(const char* name)
    {
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, std::uint16_t(std::strlen(name)), name), nullptr));
        return reply->atom;
    }
    xcb_window_t window(QRect r, int border, bool mapped = true, bool overrideRedirect = false)
    {
        const xcb_window_t id = xcb_generate_id(m_connection);
        const std::uint32_t values[] = {overrideRedirect ? 1u : 0u};
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, id, m_root, std::int16_t(r.x()), std::int16_t(r.y()),
                          std::uint16_t(r.width()), std::uint16_t(r.height()), std::uint16_t(border),
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, values);
        if (mapped)
            xcb_map_window(m_connection, id);
        return id;
    }
    void set(xcb_window_t window, const char* property, xcb_atom_t type, std::vector<std::uint32_t> words)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom(property), type, 32,
                            std::uint32_t(words.size()), words.data());
    }
    std::vector<QRect> read(std::uint32_t ownPid)
    {
        // Every request above is done once this answer comes.
        free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        xcb_connection_t* other = xcb_connect(nullptr, nullptr);
        const std::vector<WindowFrame> windows = x11::readWindowFrames(other, m_root, ownPid);
        xcb_disconnect(other);
        std::vector<QRect> frames;
        titles.clear();
        for (const WindowFrame& window : windows) {
            frames.push_back(window.frame);
            titles.push_back(window.title.toStdString());
        }
        return frames;
    }

    void setText(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, const std::string& text)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, property, type, 8,
                            std::uint32_t(text.size()), text.data());
    }

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    std::vector<std::string> titles; // of the windows last read, in their order
};

TEST_F(X11WindowListTest, LeavesOutOursDocksDesktopsHiddenAndBypassingWindows)
{
    const xcb_window_t back = window({10, 20, 100, 50}, 0);
    const xcb_window_t front = window({50, 40, 100, 50}, 2);
    window({0, 0, 300, 300}, 0, true, true); // a menu or an overlay: bypasses the window manager
    window({5, 5, 20, 20}, 0, false);        // unmapped: minimised or on another workspace
    const xcb_window_t dock = window({0, 700, 1280, 32}, 0);
    set(dock, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, {atom("_NET_WM_WINDOW_TYPE_DOCK")});
    const xcb_window_t desktop = window({0, 0, 1280, 800}, 0);
    set(desktop, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, {atom("_NET_WM_WINDOW_TYPE_DESKTOP")});
    const xcb_window_t ours = window({400, 400, 60, 60}, 0);
    set(ours, "_NET_WM_PID", XCB_ATOM_CARDINAL, {4242});

    // Without a window manager's list: the root's children, topmost first, borders included (a window's
    // place is its border's outer corner).
    EXPECT_EQ(read(4242), (std::vector<QRect>{{50, 40, 104, 54}, {10, 20, 100, 50}}));

    // With one: its stacking order (bottom first), and the frame extents (left, right, top, bottom).
    set(back, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, {1, 2, 20, 3});
    set(m_root, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW, {front, dock, back, ours, desktop});
    // Titles: the UTF-8 one where there is one, else the old Latin-1 one.
    setText(back, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "caf\xe9");
    setText(front, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "old");
    setText(front, atom("_NET_WM_NAME"), atom("UTF8_STRING"), "Front \xe2\x80\x94 new");
    EXPECT_EQ(read(4242), (std::vector<QRect>{{9, 0, 103, 73}, {50, 40, 104, 54}}));
    EXPECT_EQ(titles, (std::vector<std::string>{"caf\xc3\xa9", "Front \xe2\x80\x94 new"}));
    xcb_delete_property(m_connection, m_root, atom("_NET_CLIENT_LIST_STACKING"));
}

} // namespace
} // namespace corvane
