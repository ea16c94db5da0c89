// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <memory>

namespace corvane::x11 {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};

// XCB hands replies and errors over as malloc'd blocks that the caller must free.
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

} // namespace corvane::x11
