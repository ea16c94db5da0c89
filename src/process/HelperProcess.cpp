// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "process/HelperProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <utility>

extern char** environ;

namespace corvane {

namespace {

// A copy of a descriptor numbered above standard input, output and error, so that placing it there
// in the child is always a real dup2 (one onto itself would keep its close-on-exec flag).
int aboveStandard(int fd)
{
    return fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
}

void closeIfOpen(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

// Our environment, except that the helper draws on no display.
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

pid_t spawn(const QByteArray& executable, std::vector<std::string> arguments, int input, int output)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    // The calling thread's signal mask and Qt's handlers are no business of the helper's.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    arguments.insert(arguments.begin(), executable.toStdString());
    std::vector<std::string> environment = helperEnvironment();
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, executable.constData(), &actions, &attributes,
                                   pointers(arguments).data(), pointers(environment).data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

} // namespace

std::optional<HelperProcess> HelperProcess::start(const QByteArray& executable,
                                                  const std::vector<std::string>& arguments, int input)
{
    const int in = aboveStandard(input);
    const int out = aboveStandard(::memfd_create("corvane-helper", MFD_CLOEXEC));
    const pid_t pid = in >= 0 && out >= 0 ? spawn(executable, arguments, in, out) : -1;
    closeIfOpen(in);
    if (pid < 0) {
        closeIfOpen(out);
        return std::nullopt;
    }
    return HelperProcess(pid, out);
}

HelperProcess::HelperProcess(pid_t pid, int output)
    : m_pid(pid)
    , m_output(output)
{
    m_clock.start();
}

HelperProcess::HelperProcess(HelperProcess&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1))
    , m_output(std::exchange(other.m_output, -1))
    , m_clock(other.m_clock)
{}

HelperProcess::~HelperProcess()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    closeIfOpen(m_output);
}

bool HelperProcess::finishedWell(std::chrono::milliseconds wallTime)
{
    if (m_pid <= 0)
        return false;
    const pid_t pid = std::exchange(m_pid, -1);
    const int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    bool killed = false;
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(pid, &status, killed ? 0 : WNOHANG);
        if (ended == pid)
            break;
        if (ended < 0 && errno == EINTR)
            continue;
        if (ended < 0) {
            closeIfOpen(pidFd);
            return false;
        }
        const qint64 left = wallTime.count() - m_clock.elapsed();
        if (left <= 0) {
            ::kill(pid, SIGKILL);
            killed = true;
            continue;
        }
        // Without pidfd (kernels before 5.3) the wait is a poll every few milliseconds.
        if (pidFd >= 0) {
            pollfd watch{pidFd, POLLIN, 0};
            ::poll(&watch, 1, static_cast<int>(std::min<qint64>(left, 1000)));
        } else {
            ::usleep(5000);
        }
    }
    closeIfOpen(pidFd);
    return !killed && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool writeToCaller(const char* data, qint64 length)
{
    while (length > 0) {
        const ssize_t written =
            ::write(STDOUT_FILENO, data, static_cast<size_t>(std::min<qint64>(length, qint64(1) << 30)));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        length -= written;
    }
    return true;
}

} // namespace corvane
