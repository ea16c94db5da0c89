// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "process/HelperSandbox.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvane::HelperSandbox {

namespace {

// Landlock's ruleset attribute as of ABI 6; older kernels are given the leading part they know.
struct LandlockRuleset {
    std::uint64_t handledAccessFs = 0;
    std::uint64_t handledAccessNet = 0;
    std::uint64_t scoped = 0;
};

constexpr unsigned kCreateRulesetVersion = 1U << 0;

// The size of the address space now, from /proc (read before the file system closes).
qint64 addressSpaceNow()
{
    std::FILE* statm = std::fopen("/proc/self/statm", "re");
    if (!statm)
        return -1;
    long long pages = -1;
    const int read = std::fscanf(statm, "%lld", &pages);
    std::fclose(statm);
    return read == 1 ? pages * ::sysconf(_SC_PAGESIZE) : -1;
}

void setLimit(int resource, rlim_t soft, rlim_t hard)
{
    const rlimit limit{soft, hard};
    ::setrlimit(resource, &limit);
}

bool closeFileSystem()
{
    const long abi = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, kCreateRulesetVersion);
    if (abi < 1)
        return false;
    LandlockRuleset ruleset;
    // Every right on files the kernel knows of is handled, and no path is granted any.
    ruleset.handledAccessFs = (1ULL << 13) - 1; // execute ... make symbolic link
    if (abi >= 2)
        ruleset.handledAccessFs |= 1ULL << 13; // refer
    if (abi >= 3)
        ruleset.handledAccessFs |= 1ULL << 14; // truncate
    if (abi >= 5)
        ruleset.handledAccessFs |= 1ULL << 15; // ioctl on devices
    if (abi >= 4)
        ruleset.handledAccessNet = 3; // bind and connect TCP
    if (abi >= 6)
        ruleset.scoped = 3; // abstract Unix sockets and signals
    const size_t size = abi >= 6 ? 24 : abi >= 4 ? 16 : 8;
    const long fd = ::syscall(SYS_landlock_create_ruleset, &ruleset, size, 0);
    if (fd < 0)
        return false;
    const bool restricted = ::syscall(SYS_landlock_restrict_self, fd, 0) == 0;
    ::close(static_cast<int>(fd));
    return restricted;
}

} // namespace

void detachFromParent()
{
    // Whatever the caller held open (its X connection, its files) is none of the decoder's business.
    if (::syscall(SYS_close_range, 3U, ~0U, 0U) != 0) {
        for (int fd = 3; fd < 1024; ++fd)
            ::close(fd);
    }
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}

bool enter(qint64 memory, std::chrono::seconds cpu)
{
    setLimit(RLIMIT_CORE, 0, 0);
    const auto seconds = static_cast<rlim_t>(cpu.count());
    // SIGXCPU at the soft limit ends the process; the hard limit one second later is SIGKILL.
    setLimit(RLIMIT_CPU, seconds, seconds + 1);
    if (const qint64 now = addressSpaceNow(); now > 0 && memory > 0)
        setLimit(RLIMIT_AS, static_cast<rlim_t>(now + memory), static_cast<rlim_t>(now + memory));
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    return closeFileSystem();
}

} // namespace corvane::HelperSandbox
