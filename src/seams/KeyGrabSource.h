// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace corvane {

// A key and the modifiers held with it. Keysyms are XKB keysym values, which X11 and Wayland keymaps
// share; several stand for one physical key when keymaps disagree on what it produces.
struct Shortcut {
    std::vector<std::uint32_t> keysyms;
    bool control = false;
    bool shift = false;
    bool super = false;
    bool alt = false;

    bool operator==(const Shortcut&) const = default;
};

// Where system-wide shortcuts come from: key grabs on the X server, the desktop's GlobalShortcuts portal
// under Wayland, or a fake in tests. Presses are reported with the number the shortcut was registered under.
class KeyGrabSource {
public:
    using PressHandler = std::function<void(std::uint32_t id)>;

    virtual ~KeyGrabSource() = default;

    virtual void setPressHandler(PressHandler handler) = 0;
    // False when the shortcut is refused (another program holds it, or there is no display).
    virtual bool grab(const Shortcut& shortcut, std::uint32_t id) = 0;
    virtual void ungrabAll() = 0;
};

// Chosen once from the session: the X server's key grabs under X11, the GlobalShortcuts portal under
// Wayland where the desktop offers it; otherwise a source that refuses every shortcut.
std::unique_ptr<KeyGrabSource> makeKeyGrabSource();

} // namespace corvane
