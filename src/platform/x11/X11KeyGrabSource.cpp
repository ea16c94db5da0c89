// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11KeyGrabSource.h"

#include "platform/x11/XcbReply.h"

#include <QMetaObject>
#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace corvane {
namespace {

struct ConnectionDeleter {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
struct KeySymbolsDeleter {
    void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
};

// A passive grab matches the modifier state exactly, and Caps Lock and Num Lock are part of that state,
// so every shortcut is grabbed once per combination of them and they are ignored when matching.
constexpr std::uint16_t lockModifiers = XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2;
constexpr std::array<std::uint16_t, 4> lockVariants{0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, lockModifiers};
constexpr std::uint16_t coreModifiers = 0xff;

std::uint16_t modifierMask(const Shortcut& shortcut)
{
    return (shortcut.control ? XCB_MOD_MASK_CONTROL : 0) | (shortcut.shift ? XCB_MOD_MASK_SHIFT : 0) |
           (shortcut.super ? XCB_MOD_MASK_4 : 0) | (shortcut.alt ? XCB_MOD_MASK_1 : 0);
}

struct Registration {
    std::uint32_t id;
    Shortcut shortcut;
    std::uint16_t modifiers;
    // What is grabbed under the current keymap; empty while the shortcut's keys are not on the keyboard.
    std::vector<xcb_keycode_t> keycodes;
};

class X11KeyGrabSource final : public KeyGrabSource {
public:
    X11KeyGrabSource();
    ~X11KeyGrabSource() override { ungrabAll(); }

    void setPressHandler(PressHandler handler) override { m_handler = std::move(handler); }
    bool grab(const Shortcut& shortcut, std::uint32_t id) override;
    void ungrabAll() override;

private:
    bool connected() const { return m_connection && !xcb_connection_has_error(m_connection.get()); }
    std::vector<xcb_keycode_t> keycodesFor(const Shortcut& shortcut) const;
    bool grabKeys(Registration& registration);
    void ungrabKeys(Registration& registration);
    void readEvents();
    void readEventsLater();
    void keyPressed(const xcb_key_press_event_t& event);
    void keymapChanged(xcb_mapping_notify_event_t& event);

    std::unique_ptr<xcb_connection_t, ConnectionDeleter> m_connection;
    std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter> m_keySymbols;
    std::unique_ptr<QSocketNotifier> m_notifier;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    std::vector<Registration> m_registrations;
    PressHandler m_handler;
};

X11KeyGrabSource::X11KeyGrabSource()
{
    int screenNumber = 0;
    m_connection.reset(xcb_connect(nullptr, &screenNumber));
    if (!connected())
        return;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection.get()));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return;
    m_root = screens.data->root;
    m_keySymbols.reset(xcb_key_symbols_alloc(m_connection.get()));
    m_notifier =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection.get()), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readEvents(); });
}

bool X11KeyGrabSource::grab(const Shortcut& shortcut, std::uint32_t id)
{
    if (!connected() || !m_keySymbols)
        return false;
    Registration registration{id, shortcut, modifierMask(shortcut), {}};
    const bool granted = grabKeys(registration);
    readEventsLater();
    if (granted)
        m_registrations.push_back(std::move(registration));
    return granted;
}

void X11KeyGrabSource::ungrabAll()
{
    for (auto& registration : m_registrations)
        ungrabKeys(registration);
    m_registrations.clear();
    if (connected())
        xcb_flush(m_connection.get());
}

std::vector<xcb_keycode_t> X11KeyGrabSource::keycodesFor(const Shortcut& shortcut) const
{
    std::vector<xcb_keycode_t> keycodes;
    for (const std::uint32_t keysym : shortcut.keysyms) {
        const x11::XcbReply<xcb_keycode_t> found(xcb_key_symbols_get_keycode(m_keySymbols.get(), keysym));
        for (const xcb_keycode_t* keycode = found.get(); keycode && *keycode != XCB_NO_SYMBOL; ++keycode) {
            if (std::find(keycodes.begin(), keycodes.end(), *keycode) == keycodes.end())
                keycodes.push_back(*keycode);
        }
    }
    return keycodes;
}

// All or nothing: when the server refuses any variant (BadAccess: another client holds it), the
// variants that were granted are released again so the shortcut reaches that client alone.
bool X11KeyGrabSource::grabKeys(Registration& registration)
{
    registration.keycodes = keycodesFor(registration.shortcut);
    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_keycode_t keycode : registration.keycodes) {
        for (const std::uint16_t locks : lockVariants)
            cookies.push_back(xcb_grab_key_checked(m_connection.get(), true, m_root,
                                                   registration.modifiers | locks, keycode,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    bool refused = false;
    for (const xcb_void_cookie_t cookie : cookies) {
        const x11::XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection.get(), cookie));
        refused = refused || error != nullptr;
    }
    if (refused)
        ungrabKeys(registration);
    return !refused;
}

void X11KeyGrabSource::ungrabKeys(Registration& registration)
{
    if (!connected())
        return;
    // Ungrabbing only ever releases this client's own grabs, so a variant another client holds is safe.
    for (const xcb_keycode_t keycode : registration.keycodes) {
        for (const std::uint16_t locks : lockVariants)
            xcb_ungrab_key(m_connection.get(), keycode, m_root, registration.modifiers | locks);
    }
    registration.keycodes.clear();
}

// A round trip may have moved events from the socket into xcb's queue, where the socket notifier no
// longer sees them.
void X11KeyGrabSource::readEventsLater()
{
    QMetaObject::invokeMethod(
        m_notifier.get(), [this] { readEvents(); }, Qt::QueuedConnection);
}

void X11KeyGrabSource::readEvents()
{
    while (xcb_generic_event_t* next = xcb_poll_for_event(m_connection.get())) {
        const x11::XcbReply<xcb_generic_event_t> event(next);
        switch (event->response_type & ~0x80) {
        case XCB_KEY_PRESS:
            keyPressed(*reinterpret_cast<xcb_key_press_event_t*>(next));
            break;
        case XCB_MAPPING_NOTIFY:
            keymapChanged(*reinterpret_cast<xcb_mapping_notify_event_t*>(next));
            break;
        default: // key releases, and errors of requests nobody waits for
            break;
        }
    }
    // A lost server leaves the socket readable for ever.
    if (!connected())
        m_notifier->setEnabled(false);
}

void X11KeyGrabSource::keyPressed(const xcb_key_press_event_t& event)
{
    const std::uint16_t modifiers = event.state & coreModifiers & ~lockModifiers;
    for (const auto& registration : m_registrations) {
        const auto& keycodes = registration.keycodes;
        if (registration.modifiers != modifiers ||
            std::find(keycodes.begin(), keycodes.end(), event.detail) == keycodes.end())
            continue;
        // The press made the grab active until the key comes up; letting go of the keyboard now lets
        // the capture overlay take it while the user still holds the key.
        xcb_ungrab_keyboard(m_connection.get(), event.time);
        xcb_flush(m_connection.get());
        if (m_handler)
            m_handler(registration.id);
        return;
    }
}

// The shortcut's keysyms may now sit on other keys (xmodmap, a layout switch): grab them where they are.
void X11KeyGrabSource::keymapChanged(xcb_mapping_notify_event_t& event)
{
    if (event.request != XCB_MAPPING_KEYBOARD)
        return;
    xcb_refresh_keyboard_mapping(m_keySymbols.get(), &event);
    for (auto& registration : m_registrations) {
        ungrabKeys(registration);
        grabKeys(registration);
    }
    xcb_flush(m_connection.get());
}

} // namespace

std::unique_ptr<KeyGrabSource> makeX11KeyGrabSource()
{
    return std::make_unique<X11KeyGrabSource>();
}

} // namespace corvane
