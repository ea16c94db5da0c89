// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTestSupport.h"
#include "output/ImageOutput.h"

#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <ctime>
#include <gtest/gtest.h>
#include <latch>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace corvane {
namespace {

using namespace outputtest;

const QDateTime kMoment(QDate(2026, 12, 5), QTime(22, 29, 9));

TEST(DefaultFileNameTest, SpellsTheMomentInTheUsersTimeZone)
{
    EXPECT_EQ(ImageOutput::defaultFileName(kMoment), QStringLiteral("Screenshot 2026-12-05 at 22.29.09"));
    EXPECT_EQ(ImageOutput::defaultFileName(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5, 999))),
              QStringLiteral("Screenshot 2027-01-02 at 03.04.05"));
    QString name;
    {
        // A POSIX TZ string needs no time-zone database.
        const ScopedEnvironment zone("TZ", "JST-9");
        ::tzset();
        name = ImageOutput::defaultFileName(QDateTime(QDate(2026, 12, 5), QTime(13, 29, 9), Qt::UTC));
    }
    ::tzset();
    EXPECT_EQ(name, QStringLiteral("Screenshot 2026-12-05 at 22.29.09"));
}

class SaveToDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // A clock that gives the times listed, one a call, then the last again; it counts the calls.
    ImageOutput::Clock clock(QList<QDateTime> times = {kMoment})
    {
        return [this, times] {
            return times.at(std::min<qsizetype>(m_clockCalls++, times.size() - 1));
        };
    }

    std::optional<QString> save(const std::optional<QString>& name, const QImage& image)
    {
        return ImageOutput::saveToDirectory(m_dir.path(), image, 2.0, name, clock());
    }

    QTemporaryDir m_dir;
    int m_clockCalls = 0;
    QImage m_image = patternImage(30, 20, 1);
};

TEST_F(SaveToDirectoryTest, TheFileHasNoNameInTheFolderUntilItIsComplete)
{
    // Every name that appears in the folder, in order: a hidden temporary name would show here first.
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(
        ::inotify_add_watch(watch, QFile::encodeName(m_dir.path()).constData(), IN_CREATE | IN_MOVED_TO), 0);
    EXPECT_EQ(save(QStringLiteral("shot"), m_image), path("shot.png"));
    EXPECT_EQ(save(QStringLiteral("shot"), m_image), path("shot (2).png"));
    QStringList appeared;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t length; (length = ::read(watch, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            appeared.append(QString::fromUtf8(event->name));
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    ::close(watch);
    EXPECT_EQ(appeared, QStringList({"shot.png", "shot (2).png"}));
}

TEST_F(SaveToDirectoryTest, NumbersTheSecondAndThirdSaveOfAName)
{
    EXPECT_EQ(save(QStringLiteral("shot"), m_image), path("shot.png"));
    EXPECT_EQ(save(QStringLiteral("shot"), m_image), path("shot (2).png"));
    EXPECT_EQ(save(QStringLiteral("shot"), m_image), path("shot (3).png"));
    EXPECT_EQ(entries(m_dir.path()), QStringList({"shot (2).png", "shot (3).png", "shot.png"}));
    EXPECT_EQ(m_clockCalls, 0) << "a given name needs no time stamp";

    const QImage picture(path("shot (3).png"), "PNG");
    EXPECT_TRUE(samePixels(picture, m_image));
    EXPECT_EQ(dotsPerInch(picture), 144);
}

TEST_F(SaveToDirectoryTest, AnythingHoldingANameTakesItAndIsLeftAlone)
{
    enum Existing { file, folder, danglingLink };
    struct Case {
        std::vector<std::pair<const char*, Existing>> existing;
        const char* name;
        const char* expected;
    };
    const std::vector<Case> cases{
        {{{"shot.png", file}, {"shot (2).png", file}}, "shot", "shot (3).png"},
        {{{"shot (2).png", file}}, "shot", "shot.png"},
        {{}, "shot.png", "shot.png.png"},
        {{{"shot.png", folder}}, "shot", "shot (2).png"},
        {{{"shot.png", danglingLink}}, "shot", "shot (2).png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        QTemporaryDir dir;
        for (const auto& [name, kind] : c.existing) {
            const QString where = dir.filePath(name);
            if (kind == file) {
                ASSERT_TRUE(writeFile(where, "old contents"));
            } else if (kind == folder) {
                ASSERT_TRUE(QDir().mkdir(where));
            } else {
                ASSERT_EQ(::symlink("nowhere.png", QFile::encodeName(where).constData()), 0);
            }
        }

        QStringList after = entries(dir.path()) << c.expected;
        after.sort();

        EXPECT_EQ(ImageOutput::saveToDirectory(dir.path(), m_image, 1.0, QString(c.name), {}),
                  dir.filePath(c.expected));
        EXPECT_TRUE(samePixels(QImage(dir.filePath(c.expected)), m_image));
        EXPECT_EQ(entries(dir.path()), after);
        for (const auto& [name, kind] : c.existing)
            EXPECT_TRUE(kind != file || readAll(dir.filePath(name)) == "old contents") << name;
    }
}

TEST_F(SaveToDirectoryTest, ANameStaysOneFileInTheFolderAndFitsTheFileSystem)
{
    const QString e = QString::fromUtf8("\xc3\xa9");            // two bytes in UTF-8
    const QString clef = QString::fromUtf8("\xf0\x9d\x84\x9e"); // four bytes, a surrogate pair
    struct Case {
        QString name;
        QString first;
        QString second;
    };
    const std::vector<Case> cases{
        {"../outside", "..-outside.png", "..-outside (2).png"},
        {"/etc/passwd", "-etc-passwd.png", "-etc-passwd (2).png"},
        {"a/../../b", "a-..-..-b.png", "a-..-..-b (2).png"},
        {QStringLiteral("nul") + QChar(0) + "/x", "nul--x.png", "nul--x (2).png"},
        {"..", "...png", ".. (2).png"},
        // 251 bytes fill a name with ".png"; " (2).png" takes four more.
        {QString(251, 'a'), QString(251, 'a') + ".png", QString(247, 'a') + " (2).png"},
        {QString(300, 'a'), QString(251, 'a') + ".png", QString(247, 'a') + " (2).png"},
        {e.repeated(130), e.repeated(125) + ".png", e.repeated(123) + " (2).png"},
        {QStringLiteral("x") + clef.repeated(70), QStringLiteral("x") + clef.repeated(62) + ".png",
         QStringLiteral("x") + clef.repeated(61) + " (2).png"},
        // 300 UTF-16 units: the first cut falls between the two halves of a character.
        {QString(250, 'a') + clef.repeated(25), QString(250, 'a') + ".png", QString(247, 'a') + " (2).png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first.left(40).toStdString());
        QTemporaryDir parent;
        ASSERT_TRUE(QDir(parent.path()).mkpath("a/b"));
        const QString folder = parent.filePath("a/b");

        EXPECT_EQ(ImageOutput::saveToDirectory(folder, m_image, 1.0, c.name, {}), folder + '/' + c.first);
        EXPECT_EQ(ImageOutput::saveToDirectory(folder, m_image, 1.0, c.name, {}), folder + '/' + c.second);
        QStringList both{c.first, c.second};
        both.sort();
        EXPECT_EQ(entries(folder), both);
        EXPECT_EQ(entries(parent.filePath("a")), QStringList{"b"}) << "nothing written outside the folder";
    }
}

TEST_F(SaveToDirectoryTest, WithoutANameUsesTheClocksTimeStamp)
{
    EXPECT_EQ(save(std::nullopt, m_image), path("Screenshot 2026-12-05 at 22.29.09.png"));
    EXPECT_EQ(save(std::nullopt, m_image), path("Screenshot 2026-12-05 at 22.29.09 (2).png"));
    // An empty name would make the hidden file ".png".
    EXPECT_EQ(save(QString(), m_image), path("Screenshot 2026-12-05 at 22.29.09 (3).png"));

    m_clockCalls = 0;
    EXPECT_FALSE(save(std::nullopt, QImage()));
    EXPECT_EQ(m_clockCalls, 0) << "nothing to encode probes no name";
    EXPECT_EQ(entries(m_dir.path()).size(), 3);
}

TEST_F(SaveToDirectoryTest, ACollisionAcrossASecondGoesOnWithTheNewerStamp)
{
    ASSERT_TRUE(writeFile(path("Screenshot 2026-12-05 at 22.29.09.png"), "taken"));

    const auto saved = ImageOutput::saveToDirectory(m_dir.path(), m_image, 1.0, std::nullopt,
                                                    clock({kMoment, kMoment.addSecs(1)}));

    EXPECT_EQ(saved, path("Screenshot 2026-12-05 at 22.29.10 (2).png"));
    EXPECT_EQ(m_clockCalls, 2);
    EXPECT_EQ(readAll(path("Screenshot 2026-12-05 at 22.29.09.png")), "taken");
}

TEST_F(SaveToDirectoryTest, TwoWritersRacingForOneNameKeepEveryPicture)
{
    constexpr int kSavesEach = 200;
    const QImage pictures[2] = {patternImage(48, 32, 11), patternImage(48, 32, 12)};
    std::vector<std::optional<QString>> results[2];
    std::latch start(2);
    const auto writer = [&](int which) {
        start.arrive_and_wait();
        for (int i = 0; i < kSavesEach; ++i)
            results[which].push_back(
                ImageOutput::saveToDirectory(m_dir.path(), pictures[which], 1.0, QStringLiteral("race"), {}));
    };
    std::thread first(writer, 0);
    std::thread second(writer, 1);
    first.join();
    second.join();

    QStringList expected{"race.png"};
    for (int n = 2; n <= 2 * kSavesEach; ++n)
        expected << QStringLiteral("race (%1).png").arg(n);
    expected.sort();
    EXPECT_EQ(entries(m_dir.path()), expected) << "400 pictures and no temporary file";

    QSet<QString> distinct;
    for (int which = 0; which < 2; ++which) {
        for (const auto& saved : results[which]) {
            ASSERT_TRUE(saved);
            distinct.insert(*saved);
            EXPECT_TRUE(samePixels(QImage(*saved, "PNG"), pictures[which])) << saved->toStdString();
        }
    }
    EXPECT_EQ(distinct.size(), 2 * kSavesEach);
}

// A home of its own: HOME and XDG_CONFIG_HOME point into it.
class SaveToDesktopTest : public ::testing::Test {
protected:
    QTemporaryDir m_home;
    ScopedEnvironment m_homeVariable{"HOME", QFile::encodeName(m_home.path())};
    ScopedEnvironment m_configVariable{"XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(".config"))};
    QImage m_image = patternImage(24, 16, 4);
};

TEST_F(SaveToDesktopTest, CreatesAMissingDesktopFolderUnderHome)
{
    EXPECT_EQ(ImageOutput::saveToDesktop(m_image, 2.0, QStringLiteral("shot")),
              m_home.filePath("Desktop/shot.png"));
    const QImage picture(m_home.filePath("Desktop/shot.png"));
    EXPECT_TRUE(samePixels(picture, m_image));
    EXPECT_EQ(dotsPerInch(picture), 144);
}

TEST(SaveToDesktopWithoutHomeTest, SavesNothingAndMakesNoFolder)
{
    // As root with HOME unset, Qt's Desktop would be /Desktop at the root of the file system.
    const bool rootHadDesktop = QFileInfo::exists(QStringLiteral("/Desktop"));
    QTemporaryDir config;
    const ScopedEnvironment configVariable("XDG_CONFIG_HOME", QFile::encodeName(config.filePath(".config")));
    for (const char* home : {static_cast<const char*>(nullptr), "", "relative/home", "/no/such/home"}) {
        const ScopedEnvironment homeVariable("HOME", home);
        EXPECT_FALSE(ImageOutput::saveToDesktop(patternImage(8, 8), 1.0, QStringLiteral("shot")))
            << (home ? home : "unset");
    }
    EXPECT_EQ(QFileInfo::exists(QStringLiteral("/Desktop")), rootHadDesktop);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/no/such/home")));
}

TEST_F(SaveToDesktopTest, FollowsTheXdgDesktopDirectory)
{
    ASSERT_TRUE(QDir().mkpath(m_home.filePath(".config")));
    ASSERT_TRUE(
        writeFile(m_home.filePath(".config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"));

    EXPECT_EQ(ImageOutput::saveToDesktop(m_image, 1.0, QStringLiteral("shot")),
              m_home.filePath("Schreibtisch/shot.png"));
    EXPECT_FALSE(QFileInfo::exists(m_home.filePath("Desktop")));
}

} // namespace
} // namespace corvane
