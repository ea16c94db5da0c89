// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CaptureClient.h"
#include "app/CommandLine.h"
#include "editor/FileNameBytes.h"

#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

// The `corvane` command. Most later invocations only pass a request on to the running program, and
// loading the whole of it (Qt's GUI, the text recognition engine and their libraries) took longer
// than everything else such an invocation does. This small program passes those requests on itself
// and hands every other case, unchanged, to the program proper.

#ifndef CORVANE_PROGRAM_FROM_COMMAND
#define CORVANE_PROGRAM_FROM_COMMAND "../libexec/corvane/corvane-program"
#endif

namespace {

// Next to this command in a build folder; where the installation puts it otherwise, relative to this
// command, so that any installation prefix works.
std::string programPath()
{
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return "corvane-program";
    std::string folder(self, std::size_t(length));
    folder.resize(folder.rfind('/') + 1);
    const std::string beside = folder + "corvane-program";
    if (::access(beside.c_str(), X_OK) == 0)
        return beside;
    return folder + CORVANE_PROGRAM_FROM_COMMAND;
}

// A request for the running instance, as the program proper would send it; nothing when this
// invocation has to be the program itself (or say why it cannot be).
std::optional<int> handOver(int& argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(corvane::FileNameBytes::decode(argv[i]));
    const corvane::CommandLine line = corvane::parseCommandLine(arguments);
    if (line.action != corvane::CommandLine::Action::run || line.mode.kind != corvane::LaunchMode::Kind::normal ||
        line.capture.waitsForResult())
        return std::nullopt;
    return corvane::CaptureClient::handOverToRunningInstance(line, argc, argv);
}

} // namespace

int main(int argc, char** argv)
{
    // The bus client's application object may take switches it knows out of argv; the program proper
    // gets the command line as typed.
    std::vector<char*> typed(argv, argv + argc + 1);
    if (const std::optional<int> status = handOver(argc, argv))
        return *status;
    // The same arguments and the same name in argv[0]: the program proper cannot tell it was not
    // started directly.
    const std::string program = programPath();
    ::execv(program.c_str(), typed.data());
    std::fprintf(stderr, "corvane: cannot start %s: %s\n", program.c_str(), std::strerror(errno));
    return 127;
}
