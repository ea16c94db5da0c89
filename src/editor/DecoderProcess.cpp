// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/DecoderProcess.h"

#include "editor/DecodedPictureWire.h"
#include "editor/ImageFile.h"

#include <QElapsedTimer>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace corvane {

namespace {

// A descriptor numbered above standard input, output and error, so that placing it there in the
// child is always a real dup2 (one onto itself would keep its close-on-exec flag).
FileHandle aboveStandard(int fd)
{
    return FileHandle(fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 3));
}

std::vector<std::string> helperArguments(const QByteArray& executable, const DecodeLimits& limits)
{
    return {executable.toStdString(),           decoderHelperSwitch,
            std::to_string(limits.memoryBytes), std::to_string(limits.cpuTime.count()),
            std::to_string(limits.maxSide),     std::to_string(limits.maxPixels)};
}

// Our environment, except that the decoder draws on no display.
std::vector<std::string> helperEnvironment()
{
    std::vector<std::string> environment;
    for (char** entry = environ; entry && *entry; ++entry) {
        if (std::strncmp(*entry, "QT_QPA_PLATFORM=", 16) != 0)
            environment.emplace_back(*entry);
    }
    environment.emplace_back("QT_QPA_PLATFORM=offscreen");
    return environment;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> list;
    for (std::string& s : strings)
        list.push_back(s.data());
    list.push_back(nullptr);
    return list;
}

pid_t spawnHelper(const QByteArray& executable, const DecodeLimits& limits, int input, int output)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    // The calling thread's signal mask and Qt's handlers are no business of the decoder's.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> arguments = helperArguments(executable, limits);
    std::vector<std::string> environment = helperEnvironment();
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, executable.constData(), &actions, &attributes,
                                   pointers(arguments).data(), pointers(environment).data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

// Waits for the helper to end, killing it when the wall-clock limit passes first. True when it
// ended by itself with status 0.
bool finishedWell(pid_t pid, std::chrono::milliseconds wallTime)
{
    QElapsedTimer clock;
    clock.start();
    const FileHandle pidFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    bool killed = false;
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(pid, &status, killed ? 0 : WNOHANG);
        if (ended == pid)
            break;
        if (ended < 0 && errno != EINTR)
            return false;
        if (ended < 0)
            continue;
        const qint64 left = wallTime.count() - clock.elapsed();
        if (left <= 0) {
            ::kill(pid, SIGKILL);
            killed = true;
            continue;
        }
        // Without pidfd (kernels before 5.3) the wait is a poll every few milliseconds.
        if (pidFd.isValid()) {
            pollfd watch{pidFd.fd(), POLLIN, 0};
            ::poll(&watch, 1, static_cast<int>(std::min<qint64>(left, 1000)));
        } else {
            ::usleep(5000);
        }
    }
    return !killed && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Mapping {
    void* address;
    size_t length;
};

void unmap(void* info)
{
    auto* mapping = static_cast<Mapping*>(info);
    ::munmap(mapping->address, mapping->length);
    delete mapping;
}

// The picture in the memory file, mapped rather than copied; nothing unless every field agrees with
// the file's size and the limits.
std::optional<DecodedPicture> readPicture(int memory, const DecodeLimits& limits)
{
    struct stat info {};
    DecodedPictureWire wire;
    if (::fstat(memory, &info) != 0 || info.st_size < qint64(sizeof wire) ||
        ::pread(memory, &wire, sizeof wire, 0) != qint64(sizeof wire) || !wire.hasMagic())
        return std::nullopt;
    const qint64 width = wire.width;
    const qint64 height = wire.height;
    if (width <= 0 || height <= 0 || width > limits.maxSide || height > limits.maxSide ||
        width * height > limits.maxPixels || wire.bytesPerLine < width * 4 || wire.bytesPerLine % 4 != 0 ||
        wire.bytesPerLine > width * 4 + 64 || !(wire.scale >= 1 && wire.scale <= 64))
        return std::nullopt;
    if (info.st_size != qint64(sizeof wire) + height * wire.bytesPerLine)
        return std::nullopt;
    QImage::Format format = QImage::Format_Invalid;
    switch (wire.format) {
    case DecodedPictureWire::rgb32:
        format = QImage::Format_RGB32;
        break;
    case DecodedPictureWire::argb32Premultiplied:
        format = QImage::Format_ARGB32_Premultiplied;
        break;
    default:
        return std::nullopt;
    }
    const auto length = static_cast<size_t>(info.st_size);
    void* address = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, memory, 0);
    if (address == MAP_FAILED)
        return std::nullopt;
    // Read-only pixels: a QImage made over const data copies itself before anything changes it.
    const auto* pixels = static_cast<const uchar*>(address) + sizeof wire;
    QImage image(pixels, int(width), int(height), int(wire.bytesPerLine), format, unmap,
                 new Mapping{address, length});
    if (image.isNull()) {
        ::munmap(address, length);
        return std::nullopt;
    }
    return DecodedPicture{image, wire.scale};
}

} // namespace

HelperProcessDecoder::HelperProcessDecoder(QByteArray executable)
    : m_executable(std::move(executable))
{}

std::optional<DecodedPicture> HelperProcessDecoder::decode(int fd, const DecodeLimits& limits) const
{
    const FileHandle input = aboveStandard(fd);
    const FileHandle output = aboveStandard(FileHandle(::memfd_create("corvane-picture", MFD_CLOEXEC)).fd());
    if (!input.isValid() || !output.isValid() || ::lseek(input.fd(), 0, SEEK_SET) != 0)
        return std::nullopt;
    const pid_t pid = spawnHelper(m_executable, limits, input.fd(), output.fd());
    if (pid < 0 || !finishedWell(pid, limits.wallTime))
        return std::nullopt;
    return readPicture(output.fd(), limits);
}

} // namespace corvane
