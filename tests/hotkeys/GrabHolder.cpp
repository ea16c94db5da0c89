// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// Another program that holds Ctrl+Shift+Super+4 on the root window until its standard input closes.
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

int main()
{
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection))
        return 1;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
    xcb_keycode_t* keycodes = xcb_key_symbols_get_keycode(symbols, 0x34);
    if (!keycodes || keycodes[0] == XCB_NO_SYMBOL)
        return 1;
    const auto modifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;
    const auto cookie = xcb_grab_key_checked(connection, true, screens.data->root, modifiers, keycodes[0],
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
        std::free(error);
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    std::free(keycodes);
    xcb_key_symbols_free(symbols);
    xcb_disconnect(connection);
    return 0;
}
