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
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <sys/mount.h>
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

std::optional<QString> save(const QString& directory, const QImage& image)
{
    return ImageOutput::saveToDirectory(directory, image, 1.0, QStringLiteral("shot"), {});
}

// A tmpfs on a folder for one scope; mounting needs root or CAP_SYS_ADMIN.
struct TmpfsMount {
    TmpfsMount(const QString& where, unsigned long flags, const char* options)
        : path(QFile::encodeName(where))
        , mounted(::mount("tmpfs", path.constData(), "tmpfs", flags, options) == 0)
        , error(mounted ? "" : std::strerror(errno))
    {}
    ~TmpfsMount()
    {
        if (mounted)
            ::umount2(path.constData(), MNT_DETACH);
    }

    QByteArray path;
    bool mounted;
    std::string error;
};

class ReadOnlyDesktopTest : public ::testing::TestWithParam<bool> {};

TEST_P(ReadOnlyDesktopTest, ReturnsNothingAndLeavesNoFile)
{
    QTemporaryDir home;
    const ScopedEnvironment homeVariable("HOME", QFile::encodeName(home.path()));
    const ScopedEnvironment configVariable("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));
    const QString desktop = home.filePath("Desktop");
    ASSERT_TRUE(QDir().mkdir(desktop));
    std::optional<TmpfsMount> mount;
    std::optional<testsupport::UnprivilegedFiles> asUser;
    if (GetParam()) {
        mount.emplace(desktop, MS_RDONLY, "size=64k");
        if (!mount->mounted)
            GTEST_SKIP() << "cannot mount a read-only tmpfs here: " << mount->error;
    } else {
        // Home open to all and the Desktop open to all but for writing, so that only the Desktop's
        // missing write permission stands in the way.
        ASSERT_EQ(::chmod(QFile::encodeName(home.path()).constData(), 0755), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(desktop).constData(), 0555), 0);
        asUser.emplace();
        if (::geteuid() == 0) {
            ASSERT_TRUE(testsupport::UnprivilegedFiles::active()) << "cannot give up root's file rights";
        }
        ASSERT_NE(::faccessat(AT_FDCWD, QFile::encodeName(desktop).constData(), W_OK, AT_EACCESS), 0)
            << "the Desktop is writable";
    }

    EXPECT_FALSE(ImageOutput::saveToDesktop(patternImage(20, 10), 2.0, QStringLiteral("shot")));
    asUser.reset();
    EXPECT_TRUE(entries(desktop).isEmpty());
    ::chmod(QFile::encodeName(desktop).constData(), 0755);
}

INSTANTIATE_TEST_SUITE_P(PermissionsOrMount, ReadOnlyDesktopTest, ::testing::Bool());

TEST(SaveFailureTest, NoFolderToWriteInReturnsNothing)
{
    QTemporaryDir root;
    const QString file = root.filePath("file");
    ASSERT_TRUE(writeFile(file, "plain"));
    // An empty folder name must not mean the current folder.
    for (const QString& target : {QString(), file, file + "/sub", root.filePath("missing")}) {
        SCOPED_TRACE(target.toStdString());
        EXPECT_FALSE(save(target, patternImage(4, 4)));
    }
    EXPECT_EQ(entries(root.path()), QStringList({"file"}));
    EXPECT_EQ(readAll(file), "plain");
}

TEST(SaveFailureTest, AFullDiskReturnsNothingAndLeavesNoPartialFile)
{
    QTemporaryDir root;
    const QString disk = root.filePath("disk");
    ASSERT_TRUE(QDir().mkdir(disk));
    const TmpfsMount mount(disk, 0, "size=64k,mode=0755");
    if (!mount.mounted)
        GTEST_SKIP() << "cannot mount a 64 KiB tmpfs to fill up: " << mount.error;
    // Random pixels: about 200 KB of PNG, which cannot fit.
    QImage noise(256, 256, QImage::Format_RGB32);
    std::mt19937 generator(7);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            noise.setPixel(x, y, 0xff000000u | (generator() & 0xffffffu));

    ASSERT_EQ(save(disk, patternImage(16, 16)), disk + "/shot.png") << "a small picture should fit";
    EXPECT_FALSE(save(disk, noise));
    EXPECT_EQ(entries(disk), QStringList({"shot.png"}));
}

TEST(RenameFallbackTest, WhereRenameCannotRefuseToReplaceAHardLinkClaimsTheName)
{
    const QImage image = patternImage(20, 12, 2);
    for (int error : {EINVAL, ENOSYS}) {
        SCOPED_TRACE(error);
        QTemporaryDir dir;
        ASSERT_TRUE(writeFile(dir.filePath("shot.png"), "old contents"));
        g_noReplaceRefusals = 0;
        g_noReplaceError = error;
        g_noUnnamedFiles = true;
        const auto second = save(dir.path(), image);
        const auto third = save(dir.path(), image);
        g_noUnnamedFiles = false;
        g_noReplaceError = 0;

        EXPECT_GT(g_noReplaceRefusals, 0) << "the stand-in renameat2 was not called";
        EXPECT_EQ(second, dir.filePath("shot (2).png"));
        EXPECT_EQ(third, dir.filePath("shot (3).png"));
        EXPECT_EQ(readAll(dir.filePath("shot.png")), "old contents");
        EXPECT_EQ(entries(dir.path()), QStringList({"shot (2).png", "shot (3).png", "shot.png"}));
        EXPECT_TRUE(samePixels(QImage(dir.filePath("shot (3).png")), image));
    }
}

TEST(RenameFallbackTest, AnyOtherRenameErrorReturnsNothingAndLeavesNoFile)
{
    QTemporaryDir dir;
    g_noReplaceRefusals = 0;
    g_noReplaceError = EIO;
    g_noUnnamedFiles = true;
    const auto saved = save(dir.path(), patternImage(20, 12));
    g_noUnnamedFiles = false;
    g_noReplaceError = 0;

    EXPECT_FALSE(saved);
    EXPECT_EQ(g_noReplaceRefusals, 1) << "gives up at the first such error";
    EXPECT_TRUE(entries(dir.path()).isEmpty());
}

} // namespace
} // namespace corvane
