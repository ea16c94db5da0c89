// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane::DeflateJoin {

// Turns a complete raw deflate stream into one that can be followed by another: its final block is
// marked as not final and an empty stored block brings it to a byte boundary (what zlib's sync flush
// writes). Whole-buffer compressors such as libdeflate always end with a final block; this is what
// lets pieces compressed on different threads make one stream. STREAM must hold at least 8 readable
// bytes past SIZE. Returns the joinable bytes, or nothing when the stream cannot be read.
bool makeJoinable(const std::uint8_t* stream, std::size_t size, std::vector<std::uint8_t>& out);

} // namespace corvane::DeflateJoin
