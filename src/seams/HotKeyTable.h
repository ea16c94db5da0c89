// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace corvane {

enum class HotKeyID : std::uint32_t {
    regionCapture = 1,
    regionCaptureAlt = 2,
    fullScreenCapture = 3,
    windowCapture = 4,
};

// Every system-wide shortcut: its settings key, what the preferences call it, and its keys out of the
// box in Qt's portable key-sequence text. A new trigger is one more row (and its case where presses
// are handled).
struct HotKeyEntry {
    HotKeyID id;
    const char* settingsKey;
    const char* label;
    const char* defaultKeys;
};

inline constexpr std::array hotKeyTable{
    HotKeyEntry{HotKeyID::regionCapture, "shortcuts/regionCapture", "Capture a region", "F13"},
    HotKeyEntry{HotKeyID::regionCaptureAlt, "shortcuts/regionCaptureAlt", "Capture a region (second key)",
                "Ctrl+Shift+Meta+4"},
    HotKeyEntry{HotKeyID::fullScreenCapture, "shortcuts/fullScreenCapture", "Capture the screen",
                "Ctrl+Shift+Meta+3"},
    // None out of the box, so that nobody's keys change; Tab in the overlay picks windows as well.
    HotKeyEntry{HotKeyID::windowCapture, "shortcuts/windowCapture", "Capture a window", ""},
};

// What became of a shortcut asked for: nothing bound, held, held by another program already (the
// display server refused it), or keys no shortcut can be made of here (no display, or a key with no
// symbol we know).
enum class GrabState { unbound, granted, taken, unavailable };

} // namespace corvane
