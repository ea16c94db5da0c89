// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Some file systems (older NFS, many FUSE ones) have no unnamed files (O_TMPFILE) and cannot rename
// without replacing. To reach those paths this file defines open and renameat2 itself, which take the
// C library's place for every caller in the test binary: calls pass on unchanged unless a test refuses
// O_TMPFILE or sets an error for renames with RENAME_NOREPLACE.
#include "OutputTestSupport.h"
#include "output/ImageOutput.h"
#include "support/UnprivilegedFiles.h"

#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<int> g_noReplaceError{0};
std::atomic<int> g_noReplaceRefusals{0};
std::atomic<bool> g_noUnnamedFiles{false};

} // namespace

extern "C" int open(const char* path, int flags, ...)
{
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    if (g_noUnnamedFiles && (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    using Open = int (*)(const char*, int, ...);
    static const auto next = reinterpret_cast<Open>(::dlsym(RTLD_NEXT, "open"));
    return next(path, flags, mode);
}

extern "C" int renameat2(int oldDirectory, const char* oldPath, int newDirectory, const char* newPath,
                         unsigned int flags) noexcept
{
    if (g_noReplaceError != 0 && (flags & RENAME_NOREPLACE) != 0) {
        ++g_noReplaceRefusals;
        errno = g_noReplaceError;
        return -1;
    }
    using Rename = int (*)(int, const char*, int, const char*, unsigned int);
    static const auto next = reinterpret_cast<Rename>(::dlsym(RTLD_NEXT, "renameat2"));
    if (!next) {
        errno = ENOSYS;
        return -1;
    }
    return next(oldDirectory, oldPath, newDirectory, newPath, flags);
}

namespace corvane {
namespace {

using namespace outputtest;

// The mount variant (a read-only tmpfs, which root meets too) is e2e.faults.desktop-read-only, and a
// full disk e2e.faults.desktop-full.
TEST(SaveFailureTest, AnUnwritableDesktopReturnsNothingAndLeavesNoFile)
{
    QTemporaryDir home;
    const ScopedEnvironment homeVariable("HOME", QFile::encodeName(home.path()));
    const ScopedEnvironment configVariable("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));
    const QString desktop = home.filePath("Desktop");
    ASSERT_TRUE(QDir().mkdir(desktop));
    // Home open to all and the Desktop open to all but for writing, so that only the Desktop's missing
    // write permission stands in the way.
    ASSERT_EQ(::chmod(QFile::encodeName(home.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(desktop).constData(), 0555), 0);
    std::optional<testsupport::UnprivilegedFiles> asUser(std::in_place);
    if (::geteuid() == 0) {
        ASSERT_TRUE(testsupport::UnprivilegedFiles::active()) << "cannot give up root's file rights";
    }
    // No folder stands for the Desktop.
    EXPECT_FALSE(saveTo(QString(), patternImage(20, 10), QStringLiteral("shot")));
    asUser.reset();
    EXPECT_TRUE(entries(desktop).isEmpty());
    ::chmod(QFile::encodeName(desktop).constData(), 0755);
}

TEST(SaveFailureTest, AFolderThatCannotBeMadeOrNoPictureReturnsNothing)
{
    QTemporaryDir root;
    const QString file = root.filePath("file");
    ASSERT_TRUE(writeFile(file, "plain"));
    for (const QString& target : {file, file + "/sub"}) {
        SCOPED_TRACE(target.toStdString());
        EXPECT_FALSE(saveTo(target, patternImage(4, 4), QStringLiteral("shot")));
    }
    EXPECT_FALSE(saveTo(root.path(), QImage(), QStringLiteral("shot")));
    EXPECT_EQ(entries(root.path()), QStringList({"file"}));
    EXPECT_EQ(readAll(file), "plain");
}

TEST(SaveFailureTest, WithoutUnnamedFilesAHardLinkClaimsTheNameWhereRenameCannotRefuseToReplace)
{
    const QImage image = patternImage(20, 12, 2);
    const struct {
        int renameError;
        bool saved; // any other error gives up at once
    } cases[] = {{EINVAL, true}, {ENOSYS, true}, {EIO, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.renameError);
        QTemporaryDir dir;
        ASSERT_TRUE(writeFile(dir.filePath("shot.png"), "old contents"));
        g_noReplaceRefusals = 0;
        g_noReplaceError = c.renameError;
        g_noUnnamedFiles = true;
        const auto second = saveTo(dir.path(), image, QStringLiteral("shot"));
        const auto third = saveTo(dir.path(), image, QStringLiteral("shot"));
        g_noUnnamedFiles = false;
        g_noReplaceError = 0;

        EXPECT_GT(g_noReplaceRefusals, 0) << "the stand-in renameat2 was not called";
        EXPECT_EQ(readAll(dir.filePath("shot.png")), "old contents");
        if (!c.saved) {
            EXPECT_FALSE(second || third);
            EXPECT_EQ(entries(dir.path()), QStringList({"shot.png"}));
            continue;
        }
        EXPECT_EQ(second, dir.filePath("shot (2).png"));
        EXPECT_EQ(third, dir.filePath("shot (3).png"));
        EXPECT_EQ(entries(dir.path()), QStringList({"shot (2).png", "shot (3).png", "shot.png"}));
        EXPECT_TRUE(samePixels(QImage(dir.filePath("shot (3).png")), image));
    }
}

} // namespace
} // namespace corvane
