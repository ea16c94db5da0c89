// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace corvane {

// What a finished capture does: ask with the destination menu (the default), or go straight to the
// clipboard, the quick-save folder, an editor, or a pinned window.
enum class AfterCapture { menu, copy, save, editor, pin };

} // namespace corvane
