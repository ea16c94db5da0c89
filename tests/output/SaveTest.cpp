// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTestSupport.h"
#include "output/FileNamePattern.h"
#include "output/ImageOutput.h"

#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <latch>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>

namespace corvane {
namespace {

using namespace outputtest;

const QDateTime kMoment(QDate(2026, 12, 5), QTime(22, 29, 9));

TEST(QuickSaveTest, TheFileHasNoNameInTheFolderUntilItIsComplete)
{
    // Every name that appears in the folder, in order: a hidden temporary name would show here first.
    QTemporaryDir dir;
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(), IN_CREATE | IN_MOVED_TO), 0);
    const QImage image = patternImage(30, 20, 1);
    for (const char* expected : {"shot.png", "shot (2).png", "shot (3).png"})
        EXPECT_EQ(saveTo(dir.path(), image, QStringLiteral("shot"), {}, 2.0), dir.filePath(expected));
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
    EXPECT_EQ(appeared, QStringList({"shot.png", "shot (2).png", "shot (3).png"}));
    const QImage saved(dir.filePath("shot (3).png"), "PNG");
    EXPECT_TRUE(samePixels(saved, image));
    EXPECT_EQ(qRound(saved.dotsPerMeterX() * 0.0254), 144);
}

TEST(QuickSaveTest, TakesTheFirstFreeNameAndLeavesWhateverHoldsOneAlone)
{
    enum Existing { file, folder, danglingLink };
    const QString stamp = QStringLiteral("Screenshot 2026-12-05 at 22.29.");
    const struct {
        std::vector<std::pair<QString, Existing>> existing;
        std::optional<QString> name;
        QList<QDateTime> clock; // the times it gives, one a call, then the last again
        QString expected;
    } cases[] = {
        {{{"shot (2).png", file}}, "shot", {}, "shot.png"},
        {{}, "shot.png", {}, "shot.png.png"},
        {{{"shot.png", folder}}, "shot", {}, "shot (2).png"},
        {{{"shot.png", danglingLink}}, "shot", {}, "shot (2).png"},
        {{}, std::nullopt, {kMoment}, stamp + "09.png"},
        {{{stamp + "09.png", file}}, QString(), {kMoment}, stamp + "09 (2).png"}, // "" would be hidden ".png"
        // A collision across a second goes on with the newer stamp.
        {{{stamp + "09.png", file}}, std::nullopt, {kMoment, kMoment.addSecs(1)}, stamp + "10 (2).png"},
    };
    const QImage image = patternImage(30, 20, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        QTemporaryDir dir;
        for (const auto& [name, kind] : c.existing) {
            const QString where = dir.filePath(name);
            if (kind == file)
                ASSERT_TRUE(writeFile(where, "old contents"));
            else if (kind == folder)
                ASSERT_TRUE(QDir().mkdir(where));
            else
                ASSERT_EQ(::symlink("nowhere.png", QFile::encodeName(where).constData()), 0);
        }
        QStringList after = entries(dir.path()) << c.expected;
        after.sort();
        int calls = 0;
        const auto clock = [&] { return c.clock.at(std::min<qsizetype>(calls++, c.clock.size() - 1)); };

        EXPECT_EQ(saveTo(dir.path(), image, c.name, clock), dir.filePath(c.expected));
        EXPECT_TRUE(samePixels(QImage(dir.filePath(c.expected)), image));
        EXPECT_EQ(entries(dir.path()), after);
        for (const auto& [name, kind] : c.existing)
            EXPECT_TRUE(kind != file || readAll(dir.filePath(name)) == "old contents") << name.toStdString();
    }
}

TEST(QuickSaveTest, ANameStaysOneFileInTheFolderAndFitsTheFileSystem)
{
    const QString e = QString::fromUtf8("\xc3\xa9");            // two bytes in UTF-8
    const QString clef = QString::fromUtf8("\xf0\x9d\x84\x9e"); // four bytes, a surrogate pair
    const struct {
        QString name;
        QString first;
        QString second;
    } cases[] = {
        {"../outside", "..-outside.png", "..-outside (2).png"},
        {"/etc/passwd", "-etc-passwd.png", "-etc-passwd (2).png"},
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first.left(40).toStdString());
        QTemporaryDir parent;
        ASSERT_TRUE(QDir(parent.path()).mkpath("a/b"));
        const QString folder = parent.filePath("a/b");
        const QImage image = patternImage(4, 4);
        EXPECT_EQ(saveTo(folder, image, c.name), folder + '/' + c.first);
        EXPECT_EQ(saveTo(folder, image, c.name), folder + '/' + c.second);
        QStringList both{c.first, c.second};
        both.sort();
        EXPECT_EQ(entries(folder), both);
        EXPECT_EQ(entries(parent.filePath("a")), QStringList{"b"}) << "nothing written outside the folder";
    }
}

TEST(QuickSaveTest, TwoWritersRacingForOneNameKeepEveryPicture)
{
    constexpr int kSavesEach = 200;
    QTemporaryDir dir;
    const QImage pictures[2] = {patternImage(48, 32, 11), patternImage(48, 32, 12)};
    std::vector<std::optional<QString>> results[2];
    std::latch start(2);
    const auto writer = [&](int which) {
        start.arrive_and_wait();
        for (int i = 0; i < kSavesEach; ++i)
            results[which].push_back(saveTo(dir.path(), pictures[which], QStringLiteral("race")));
    };
    std::thread first(writer, 0), second(writer, 1);
    first.join();
    second.join();

    EXPECT_EQ(entries(dir.path()).size(), 2 * kSavesEach) << "400 pictures and no temporary file";
    QSet<QString> distinct;
    for (int which = 0; which < 2; ++which) {
        for (const auto& saved : results[which]) {
            ASSERT_TRUE(saved);
            distinct.insert(*saved);
            EXPECT_TRUE(samePixels(QImage(*saved, "PNG"), pictures[which])) << saved->toStdString();
        }
    }
    EXPECT_EQ(distinct.size(), 2 * kSavesEach);
    EXPECT_TRUE(distinct.contains(dir.filePath("race (400).png")));
}

TEST(QuickSaveTest, FollowsTheXdgDesktopFolderAndWithoutAUsableHomeSavesNothing)
{
    // As root with HOME empty or unset, Qt's Desktop would be /Desktop at the root of the file system.
    const bool rootHadDesktop = QFileInfo::exists(QStringLiteral("/Desktop"));
    const struct {
        const char* home; // under the test's folder when it starts with '/'
        const char* userDirs;
        const char* expected; // under the test's folder; empty: nothing saved
    } cases[] = {
        {"/home", "", "/home/Desktop/shot.png"}, // a missing Desktop folder is made
        {"/home", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", "/home/Schreibtisch/shot.png"},
        {"", "", ""},
        {"relative/home", "", ""},
        {"/no/such/home", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.home);
        QTemporaryDir root;
        QDir().mkpath(root.filePath("home/.config"));
        writeFile(root.filePath("home/.config/user-dirs.dirs"), c.userDirs);
        const QByteArray home = *c.home == '/' ? QFile::encodeName(root.path()) + c.home : QByteArray(c.home);
        const ScopedEnvironment homeVariable("HOME", home);
        const ScopedEnvironment config("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("home/.config")));
        const QImage image = patternImage(24, 16, 4);
        const auto saved = saveTo(QString(), image, QStringLiteral("shot"));
        EXPECT_EQ(saved.value_or(""), *c.expected ? root.path() + c.expected : "");
        EXPECT_TRUE(!saved || samePixels(QImage(*saved), image));
        QStringList made{".config"};
        if (saved)
            made << QFileInfo(*saved).dir().dirName();
        EXPECT_EQ(entries(root.filePath("home")), made);
        EXPECT_FALSE(QFileInfo::exists(root.filePath("no")));
    }
    EXPECT_EQ(QFileInfo::exists(QStringLiteral("/Desktop")), rootHadDesktop);
}

TEST(QuickSaveTest, PatternsExpandToLiteralNames)
{
    const struct {
        const char* pattern;
        const char* title;
        std::uint64_t counter;
        const char* expected;
    } cases[] = {
        {"", "", 1, "Screenshot 2026-12-05 at 22.29.09"},
        {"%Y-%m-%d_%H%M%S", "", 1, "2026-12-05_222909"},
        {"shot %y%j %I%p", "", 1, "shot 26339 10PM"},
        {"%a %A %b %B", "", 1, "Sat Saturday Dec December"},
        {"%{title} - %H", "a/b\nc", 1, "a-b-c - 22"},
        {"%{title}", "", 1, "Screenshot 2026-12-05 at 22.29.09"},
        {"100%% %q %", "", 1, "100% %q %"},
        {"dir/../%d", "", 1, "dir-..-05"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(FileNamePattern::expand(QString::fromUtf8(c.pattern), kMoment, QString::fromUtf8(c.title), c.counter)
                      .toStdString(),
                  c.expected);
    }
    EXPECT_TRUE(FileNamePattern::hasCounter(QStringLiteral("x%n")));
    EXPECT_FALSE(FileNamePattern::hasCounter(QStringLiteral("x%%n")));
}

} // namespace
} // namespace corvane
