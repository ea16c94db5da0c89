// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/fsuid.h>
#include <unistd.h>

namespace corvane::testsupport {

// For one scope, the calling thread meets file permissions as an ordinary user would. Root passes every
// permission check, and CI runs as root, so tests of unreadable or unwritable files would otherwise
// prove nothing there. Changing the file-system ids from 0 drops the capabilities that override file
// permissions; changing them back restores them. Only this thread is affected, and nothing else about
// the process changes. The ids are ones no account uses, so only the "other" permission bits apply.
class UnprivilegedFiles {
public:
    static constexpr uid_t unusedId = 54321;

    UnprivilegedFiles()
        : m_uid(::geteuid())
        , m_gid(::getegid())
    {
        ::setfsgid(unusedId);
        ::setfsuid(unusedId);
    }
    ~UnprivilegedFiles()
    {
        ::setfsuid(m_uid);
        ::setfsgid(m_gid);
    }
    UnprivilegedFiles(const UnprivilegedFiles&) = delete;
    UnprivilegedFiles& operator=(const UnprivilegedFiles&) = delete;

    // Whether the change took: setfsuid() returns the previous id and reports no error of its own.
    static bool active() { return static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1))) == unusedId; }

private:
    uid_t m_uid;
    gid_t m_gid;
};

} // namespace corvane::testsupport
