// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace corvane {

inline constexpr const char* mainThreadViolationMessage =
    "Incorrect actor executor assumption; Expected same executor as MainActor.";

// Every user-interface object lives on the application's thread. Stops the process with the message
// above, attributed to `file`, when called from any other thread (or before the application exists).
void assumeMainThread(const char* file);

} // namespace corvane
