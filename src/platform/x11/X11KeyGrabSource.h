// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "seams/KeyGrabSource.h"

#include <memory>

namespace corvane {

// Passive key grabs on the root window over a connection of its own, so it works whatever Qt's
// platform plugin does with its connection. Refuses every shortcut when the X server cannot be reached.
std::unique_ptr<KeyGrabSource> makeX11KeyGrabSource();

} // namespace corvane
