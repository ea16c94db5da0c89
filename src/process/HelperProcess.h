// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <chrono>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace corvane {

// A short-lived process of the program's own (the picture decoder, the text recogniser), so that a
// crash, a hang, or memory never given back costs that process and never the caller. It is started
// with the caller's input as its standard input and an anonymous memory file (memfd) as its standard
// output, none of the caller's other descriptors, default signal handling, and the caller's
// environment except that it draws on no display. It confines itself (HelperSandbox).
class HelperProcess {
public:
    // Starts EXECUTABLE with ARGUMENTS (the switch that makes it a helper first) and INPUT, which stays
    // the caller's, as its standard input; nothing when it could not be started.
    static std::optional<HelperProcess> start(const QByteArray& executable, const std::vector<std::string>& arguments,
                                              int input);

    HelperProcess(HelperProcess&& other) noexcept;
    HelperProcess& operator=(HelperProcess&&) = delete;
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;
    // A helper still running is killed, and none is left a zombie.
    ~HelperProcess();

    // Waits for the helper to end, killing it once WALLTIME has passed since it started. True when it
    // ended by itself with status 0.
    bool finishedWell(std::chrono::milliseconds wallTime);

    // The memory file the helper wrote to, to be read once it has finished.
    int output() const { return m_output; }

private:
    HelperProcess(pid_t pid, int output);

    pid_t m_pid = -1;
    int m_output = -1;
    QElapsedTimer m_clock;
};

// The helper's side: writes all of DATA to its standard output (the caller's memory file).
bool writeToCaller(const char* data, qint64 length);

// The WIRE header at the start of the memory file FILE, and the file's whole size: nothing unless the
// file holds the header and it has its magic. The fields are the reader's to check: the writer may
// have been taken over by what it read.
template <typename Wire>
std::optional<std::pair<Wire, qint64>> readWireHeader(int file)
{
    struct stat info {};
    Wire wire;
    if (::fstat(file, &info) != 0 || info.st_size < qint64(sizeof wire) ||
        ::pread(file, &wire, sizeof wire, 0) != qint64(sizeof wire) || !wire.hasMagic())
        return std::nullopt;
    return std::pair(wire, qint64(info.st_size));
}

} // namespace corvane
