// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/PictureDecoder.h"

#include <QByteArray>

namespace corvane {

// The first argument that makes the program a picture decoder for its own running instance. No user
// types it, and the command line is never read any further than this word.
inline constexpr char decoderHelperSwitch[] = "--corvane-internal-decode";

// Decodes in a short-lived process of its own (a HelperProcess), so that a crash, a hang or a picture
// that explodes in memory costs that process and never the caller. EXECUTABLE (by default this program
// itself) is started with decoderHelperSwitch and the file as its standard input, and writes the
// picture to its memory file. It runs with the memory and CPU limits and, where the kernel offers
// Landlock, without any access to the file system; it is killed when the wall-clock limit passes.
class HelperProcessDecoder : public PictureDecoder {
public:
    explicit HelperProcessDecoder(QByteArray executable = QByteArrayLiteral("/proc/self/exe"));
    std::optional<DecodedPicture> decode(int fd, const DecodeLimits& limits) const override;

private:
    QByteArray m_executable;
};

// The decoder's side, run by main() when the first argument is decoderHelperSwitch; returns the exit
// status (0 with a picture written to standard output).
int runDecoderHelper(int argc, char** argv);

} // namespace corvane
