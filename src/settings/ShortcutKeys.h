// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "seams/KeyGrabSource.h"

#include <QKeySequence>
#include <optional>

namespace corvane {

// The keysyms and modifiers of a one-key sequence such as "Ctrl+Shift+Meta+4" (Meta is the Super key
// on Linux). Nothing for an empty sequence, a chord of several keys, or a key with no keysym we know.
// F13 stands for XF86Tools too, which is what that key produces on a standard PC keymap.
std::optional<Shortcut> shortcutFromKeys(const QKeySequence& keys);

// How the keys read in menus and messages: "Ctrl+Shift+Super+4".
QString shortcutText(const QKeySequence& keys);

} // namespace corvane
