// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Some file systems (older NFS, many FUSE ones) cannot rename without replacing. To see how the saving
// code copes, this file defines renameat2 itself: the test binary's definition takes the place of the C
// library's for every caller linked into it. It passes each call on unchanged, except while a test sets
// an error for renames with RENAME_NOREPLACE, which then fail with that error.
#include "OutputTestSupport.h"
#include "output/ImageOutput.h"

#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

std::atomic<int> g_noReplaceError{0};
std::atomic<int> g_noReplaceRefusals{0};

} // namespace

extern "C" int renameat2(int oldDirectory, const char* oldPath, int newDirectory, const char* newPath,
                         unsigned int flags) noexcept
{
    const int error = g_noReplaceError.load();
    if (error != 0 && (flags & RENAME_NOREPLACE) != 0) {
        ++g_noReplaceRefusals;
        errno = error;
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

using outputtest::entries;
using outputtest::patternImage;
using outputtest::readAll;
using outputtest::samePixels;
using outputtest::writeFile;

// Makes renameat2 with RENAME_NOREPLACE fail with ERROR for one scope.
class RenameRefusal {
public:
    explicit RenameRefusal(int error)
    {
        g_noReplaceRefusals = 0;
        g_noReplaceError = error;
    }
    RenameRefusal(const RenameRefusal&) = delete;
    RenameRefusal& operator=(const RenameRefusal&) = delete;
    ~RenameRefusal() { g_noReplaceError = 0; }
};

struct ErrorCase {
    int error;
    const char* label;
};

class UnsupportedNoReplaceTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(UnsupportedNoReplaceTest, FallsBackToAHardLinkWithoutReplacingAnything)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("shot.png")), "old contents"));
    const QImage image = patternImage(20, 12, 2);
    const RenameRefusal refusal(GetParam().error);

    const auto second = ImageOutput::saveToDirectory(dir.path(), image, 1.0, QStringLiteral("shot"), {});
    const auto third = ImageOutput::saveToDirectory(dir.path(), image, 1.0, QStringLiteral("shot"), {});

    EXPECT_GT(g_noReplaceRefusals.load(), 0) << "the stand-in renameat2 was not called";
    EXPECT_EQ(second, dir.filePath(QStringLiteral("shot (2).png")));
    EXPECT_EQ(third, dir.filePath(QStringLiteral("shot (3).png")));
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("shot.png"))), "old contents");
    EXPECT_EQ(entries(dir.path()), QStringList({"shot (2).png", "shot (3).png", "shot.png"}))
        << "no temporary file is left";
    EXPECT_TRUE(samePixels(QImage(dir.filePath(QStringLiteral("shot (3).png"))), image));
}

INSTANTIATE_TEST_SUITE_P(Errors, UnsupportedNoReplaceTest,
                         ::testing::Values(ErrorCase{EINVAL, "EINVAL"}, ErrorCase{ENOSYS, "ENOSYS"}),
                         [](const auto& param) { return std::string(param.param.label); });

class RenameErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(RenameErrorTest, AnyOtherErrorReturnsNothingAndLeavesNoFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const RenameRefusal refusal(GetParam().error);

    const auto saved = ImageOutput::saveToDirectory(dir.path(), patternImage(20, 12), 1.0, QStringLiteral("shot"), {});

    EXPECT_FALSE(saved);
    EXPECT_EQ(g_noReplaceRefusals.load(), 1) << "gives up at the first such error";
    EXPECT_TRUE(entries(dir.path()).isEmpty()) << entries(dir.path()).join(", ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Errors, RenameErrorTest,
                         ::testing::Values(ErrorCase{EIO, "EIO"}, ErrorCase{EACCES, "EACCES"},
                                           ErrorCase{EXDEV, "EXDEV"}, ErrorCase{ENOSPC, "ENOSPC"}),
                         [](const auto& param) { return std::string(param.param.label); });

} // namespace
} // namespace corvane
