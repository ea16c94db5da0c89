// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTestSupport.h"
#include "output/ImageOutput.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {
namespace {

using outputtest::entries;
using outputtest::noiseImage;
using outputtest::patternImage;
using outputtest::readAll;
using outputtest::samePixels;
using outputtest::ScriptedClock;
using outputtest::TmpfsMount;
using outputtest::writeFile;

const QDateTime kMoment(QDate(2026, 12, 5), QTime(22, 29, 9));

// Whether this process can create a file in DIRECTORY (root can, whatever the permissions say).
bool canCreateFileIn(const QString& directory)
{
    const QByteArray probe = QFile::encodeName(directory + QStringLiteral("/.probe"));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.constData());
    return true;
}

// Gives a folder back its write permission so the temporary folder can be removed.
class PermissionsRestorer {
public:
    explicit PermissionsRestorer(QString path)
        : m_path(std::move(path))
    {
    }
    ~PermissionsRestorer() { ::chmod(QFile::encodeName(m_path).constData(), 0755); }

private:
    QString m_path;
};

enum class Unwritable { ReadOnlyPermissions, ReadOnlyFileSystem, ParentIsARegularFile, FolderIsARegularFile, Missing };

class UnwritableFolderTest : public ::testing::TestWithParam<Unwritable> {};

TEST_P(UnwritableFolderTest, ReturnsNothingAndLeavesNoFile)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString locked = root.filePath(QStringLiteral("locked"));
    const QString regularFile = root.filePath(QStringLiteral("file"));
    std::optional<PermissionsRestorer> restorer;
    std::optional<TmpfsMount> mount;

    QString target;
    QString watched = root.path(); // the folder that must look the same afterwards
    QStringList expected;
    switch (GetParam()) {
    case Unwritable::ReadOnlyPermissions:
        ASSERT_TRUE(QDir().mkdir(locked));
        ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0555), 0);
        restorer.emplace(locked);
        if (canCreateFileIn(locked))
            GTEST_SKIP() << "this process writes into a mode 0555 folder anyway (running as root, which "
                            "permissions do not stop); ReadOnlyFileSystem and ParentIsARegularFile cover the "
                            "failure instead";
        target = watched = locked;
        break;
    case Unwritable::ReadOnlyFileSystem:
        ASSERT_TRUE(QDir().mkdir(locked));
        mount.emplace(locked, MS_RDONLY, "size=64k");
        if (!mount->mounted())
            GTEST_SKIP() << "cannot mount a read-only tmpfs here (" << mount->error()
                         << "); needs root or CAP_SYS_ADMIN";
        target = watched = locked;
        break;
    case Unwritable::ParentIsARegularFile:
        ASSERT_TRUE(writeFile(regularFile, "plain"));
        target = regularFile + QStringLiteral("/sub");
        expected = {QStringLiteral("file")};
        break;
    case Unwritable::FolderIsARegularFile:
        ASSERT_TRUE(writeFile(regularFile, "plain"));
        target = regularFile;
        expected = {QStringLiteral("file")};
        break;
    case Unwritable::Missing:
        target = root.filePath(QStringLiteral("missing"));
        break;
    }

    ScriptedClock clock({kMoment});
    const auto saved = ImageOutput::saveToDirectory(target, patternImage(20, 10), 2.0, QStringLiteral("shot"),
                                                    clock.clock());

    EXPECT_FALSE(saved) << saved.value_or(QString()).toStdString();
    EXPECT_EQ(entries(watched), expected);
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("missing"))));
    if (QFileInfo(regularFile).isFile()) {
        EXPECT_EQ(readAll(regularFile), "plain");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, UnwritableFolderTest,
                         ::testing::Values(Unwritable::ReadOnlyPermissions, Unwritable::ReadOnlyFileSystem,
                                           Unwritable::ParentIsARegularFile, Unwritable::FolderIsARegularFile,
                                           Unwritable::Missing),
                         [](const auto& param) {
                             switch (param.param) {
                             case Unwritable::ReadOnlyPermissions:
                                 return "ReadOnlyPermissions";
                             case Unwritable::ReadOnlyFileSystem:
                                 return "ReadOnlyFileSystem";
                             case Unwritable::ParentIsARegularFile:
                                 return "ParentIsARegularFile";
                             case Unwritable::FolderIsARegularFile:
                                 return "FolderIsARegularFile";
                             case Unwritable::Missing:
                                 return "Missing";
                             }
                             return "Unknown";
                         });

TEST(SaveFailureTest, AnEmptyFolderNameIsNoFolder)
{
    ScriptedClock clock({kMoment});
    EXPECT_FALSE(ImageOutput::saveToDirectory(QString(), patternImage(4, 4), 1.0, QStringLiteral("shot"),
                                              clock.clock()));
}

// A 64 KiB tmpfs: a small picture fits, a noisy 256 x 256 one (about 200 KB of PNG) does not.
TEST(SaveFailureTest, AFullDiskReturnsNothingAndLeavesNoPartialFile)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString disk = root.filePath(QStringLiteral("disk"));
    ASSERT_TRUE(QDir().mkdir(disk));
    const TmpfsMount mount(disk, 0, "size=64k,mode=0755");
    if (!mount.mounted())
        GTEST_SKIP() << "cannot mount a 64 KiB tmpfs to fill up (" << mount.error()
                     << "); needs root or CAP_SYS_ADMIN";
    ASSERT_TRUE(writeFile(disk + QStringLiteral("/keep.txt"), "keep me"));
    ScriptedClock clock({kMoment});

    const QImage small = patternImage(16, 16);
    const auto fits = ImageOutput::saveToDirectory(disk, small, 1.0, QStringLiteral("small"), clock.clock());
    ASSERT_EQ(fits, disk + QStringLiteral("/small.png")) << "the disk should take a small picture";

    const auto tooBig =
        ImageOutput::saveToDirectory(disk, noiseImage(256, 256, 7), 1.0, QStringLiteral("big"), clock.clock());

    EXPECT_FALSE(tooBig);
    EXPECT_EQ(entries(disk), QStringList({"keep.txt", "small.png"}));
    EXPECT_EQ(readAll(disk + QStringLiteral("/keep.txt")), "keep me");
    EXPECT_TRUE(samePixels(QImage(disk + QStringLiteral("/small.png")), small));
}

// The same kind of failure without root: a file-size limit stops the write part way (EFBIG).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN); // report EFBIG instead of killing the process
        rlimit limit = m_old;
        limit.rlim_cur = std::min(bytes, m_old.rlim_max);
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

TEST(SaveFailureTest, AWriteCutShortReturnsNothingAndLeavesNoPartialFile)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ScriptedClock clock({kMoment});
    const QImage big = noiseImage(256, 256, 9);

    std::optional<QString> saved;
    {
        const FileSizeLimit limit(16 * 1024);
        saved = ImageOutput::saveToDirectory(root.path(), big, 1.0, QStringLiteral("big"), clock.clock());
    }

    EXPECT_FALSE(saved);
    EXPECT_TRUE(entries(root.path()).isEmpty()) << entries(root.path()).join(", ").toStdString();
}

} // namespace
} // namespace corvane
