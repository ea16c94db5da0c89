// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QMainWindow;

namespace corvane {

class MenuActions;

// The menu bar of an editor window: Corvane, File, Edit, Tools and Window. A Linux desktop has no
// application-wide menu bar, so every editor window carries its own; its shortcuts work while that
// window is active.
namespace MainMenuBuilder {

void install(QMainWindow& window, MenuActions& actions);

// What "New Capture" does. Until the capture service registers a handler the item is disabled.
void setNewCaptureHandler(std::function<void()> handler);

// What "Preferences…" in the Corvane menu does; disabled until the application registers it.
void setPreferencesHandler(std::function<void()> handler);

} // namespace MainMenuBuilder

} // namespace corvane
