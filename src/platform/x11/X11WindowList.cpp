// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11WindowList.h"

#include "platform/x11/XcbReply.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <xcb/xcb.h>

namespace corvane::x11 {

namespace {

enum Atom {
    clientListStacking,
    frameExtents,
    windowType,
    typeDesktop,
    typeDock,
    wmPid,
    wmName,
    utf8String,
    atomCount
};
constexpr std::array<const char*, atomCount> atomNames = {
    "_NET_CLIENT_LIST_STACKING", "_NET_FRAME_EXTENTS", "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_WINDOW_TYPE_DOCK",  "_NET_WM_PID",        "_NET_WM_NAME",        "UTF8_STRING",
};

std::array<xcb_atom_t, atomCount> internAtoms(xcb_connection_t* connection)
{
    std::array<xcb_intern_atom_cookie_t, atomCount> cookies{};
    for (int i = 0; i < atomCount; ++i)
        cookies[i] = xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(atomNames[i])), atomNames[i]);
    std::array<xcb_atom_t, atomCount> atoms{};
    for (int i = 0; i < atomCount; ++i) {
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookies[i], nullptr));
        atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    return atoms;
}

xcb_get_property_cookie_t askProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                                      xcb_atom_t type)
{
    return xcb_get_property(connection, 0, window, property, type, 0, 1024);
}

std::vector<std::uint32_t> propertyWords(xcb_connection_t* connection, xcb_get_property_cookie_t cookie)
{
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply || reply->format != 32)
        return {};
    const auto* words = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {words, words + xcb_get_property_value_length(reply.get()) / 4};
}

// The text of a STRING (Latin-1) or UTF8_STRING property, empty when there is none.
QString propertyText(xcb_connection_t* connection, xcb_get_property_cookie_t cookie, bool utf8)
{
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply || reply->format != 8)
        return {};
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
    const int length = xcb_get_property_value_length(reply.get());
    return utf8 ? QString::fromUtf8(bytes, length) : QString::fromLatin1(bytes, length);
}

// Everything asked about one window, sent before any answer is read so the server answers them all in
// one round trip.
struct Questions {
    xcb_window_t window;
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t position;
    xcb_get_property_cookie_t extents;
    xcb_get_property_cookie_t type;
    xcb_get_property_cookie_t pid;
    xcb_get_property_cookie_t name;
    xcb_get_property_cookie_t legacyName;
};

std::vector<xcb_window_t> stackedClients(xcb_connection_t* connection, xcb_window_t root,
                                         const std::array<xcb_atom_t, atomCount>& atoms, bool& managed)
{
    const std::vector<std::uint32_t> clients = propertyWords(
        connection, askProperty(connection, root, atoms[clientListStacking], XCB_ATOM_WINDOW));
    managed = !clients.empty();
    if (managed)
        return {clients.begin(), clients.end()};
    XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return {children, children + xcb_query_tree_children_length(tree.get())};
}

} // namespace

std::vector<WindowFrame> readWindowFrames(xcb_connection_t* connection, std::uint32_t root, std::uint32_t ownPid)
{
    const auto atoms = internAtoms(connection);
    bool managed = false;
    // Bottom to top, in both lists.
    const std::vector<xcb_window_t> windows = stackedClients(connection, root, atoms, managed);
    std::vector<Questions> questions;
    questions.reserve(windows.size());
    for (xcb_window_t window : windows) {
        questions.push_back({window, xcb_get_window_attributes(connection, window),
                             xcb_get_geometry(connection, window),
                             xcb_translate_coordinates(connection, window, root, 0, 0),
                             askProperty(connection, window, atoms[frameExtents], XCB_ATOM_CARDINAL),
                             askProperty(connection, window, atoms[windowType], XCB_ATOM_ATOM),
                             askProperty(connection, window, atoms[wmPid], XCB_ATOM_CARDINAL),
                             askProperty(connection, window, atoms[wmName], atoms[utf8String]),
                             askProperty(connection, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING)});
    }
    std::vector<WindowFrame> frames;
    for (const Questions& q : questions) {
        XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(connection, q.attributes, nullptr));
        XcbReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(connection, q.geometry, nullptr));
        XcbReply<xcb_translate_coordinates_reply_t> position(
            xcb_translate_coordinates_reply(connection, q.position, nullptr));
        const std::vector<std::uint32_t> extents = propertyWords(connection, q.extents);
        const std::vector<std::uint32_t> types = propertyWords(connection, q.type);
        const std::vector<std::uint32_t> pid = propertyWords(connection, q.pid);
        QString title = propertyText(connection, q.name, true);
        const QString legacyTitle = propertyText(connection, q.legacyName, false);
        if (!attributes || !geometry || !position || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        // Menus, tooltips and our own overlays bypass the window manager; they are not windows to pick.
        if (!managed && attributes->override_redirect)
            continue;
        if (!pid.empty() && pid.front() == ownPid)
            continue;
        if (std::any_of(types.begin(), types.end(), [&](std::uint32_t type) {
                return type == atoms[typeDesktop] || type == atoms[typeDock];
            }))
            continue;
        const int border = geometry->border_width;
        QRect frame(position->dst_x - border, position->dst_y - border, geometry->width + 2 * border,
                    geometry->height + 2 * border);
        if (extents.size() == 4) // left, right, top, bottom
            frame.adjust(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
        frames.push_back({frame, title.isEmpty() ? legacyTitle : title});
    }
    std::reverse(frames.begin(), frames.end());
    return frames;
}

} // namespace corvane::x11
