// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <optional>

namespace corvane {

// Under Wayland a program cannot read the pointer's position outside its own windows, but the
// compositor opens a new window on the output the user works on (where the focus is, which follows the
// pointer on most desktops). A tiny transparent window is shown, the output it lands on is noted, and
// the window is closed again. The middle of that output, or nothing when the compositor does not say.
std::optional<QPoint> focusedScreenCentre();

} // namespace corvane
