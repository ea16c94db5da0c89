// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/FileNamePattern.h"
#include "output/ImageOutput.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace corvane {
namespace {

const QDateTime kMoment(QDate(2026, 12, 5), QTime(22, 29, 9));

TEST(QuickSaveTest, PatternsExpandToLiteralNames)
{
    struct Case {
        const char* pattern;
        const char* title;
        std::uint64_t counter;
        const char* expected;
    };
    const Case cases[] = {
        {"", "", 1, "Screenshot 2026-12-05 at 22.29.09"},
        {"%Y-%m-%d_%H%M%S", "", 1, "2026-12-05_222909"},
        {"shot %y%j %I%p", "", 1, "shot 26339 10PM"},
        {"%a %A %b %B", "", 1, "Sat Saturday Dec December"},
        {"%{title} - %H", "a/b\nc", 1, "a-b-c - 22"},
        {"%{title}", "", 1, "Screenshot 2026-12-05 at 22.29.09"},
        {"100%% %q %", "", 1, "100% %q %"},
        {"shot-%n", "", 3, "shot-3"},
        {"dir/../%d", "", 1, "dir-..-05"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(FileNamePattern::expand(QString::fromUtf8(c.pattern), kMoment, QString::fromUtf8(c.title), c.counter),
                  QString::fromUtf8(c.expected));
    }
    EXPECT_TRUE(FileNamePattern::hasCounter(QStringLiteral("x%n")));
    EXPECT_FALSE(FileNamePattern::hasCounter(QStringLiteral("x%%n")));
}

// Two saves of each kind into a folder that does not exist yet: the names, and the bytes' format.
TEST(QuickSaveTest, SavesTakeTheFolderPatternAndFormatAndNeverReplaceAFile)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    struct Case {
        QString pattern;
        QuickSaveFormat format;
        const char* first;
        const char* second;
        QByteArray magic;
    };
    const Case cases[] = {
        {QString(), QuickSaveFormat::png, "Screenshot 2026-12-05 at 22.29.09.png",
         "Screenshot 2026-12-05 at 22.29.09 (2).png", "\x89PNG"},
        {QStringLiteral("shot-%n"), QuickSaveFormat::jpeg, "shot-1.jpg", "shot-2.jpg", "\xff\xd8\xff"},
        {QStringLiteral("%H%M"), QuickSaveFormat::jpeg, "2229.jpg", "2229 (2).jpg", "\xff\xd8\xff"},
        {QStringLiteral("w"), QuickSaveFormat::webp, "w.webp", "w (2).webp", "RIFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        QTemporaryDir dir;
        const QuickSave options{dir.filePath(QStringLiteral("new/folder")), c.pattern, c.format, 50};
        const auto clock = [] { return kMoment; };
        const auto first = ImageOutput::quickSave(options, image, 1.0, std::nullopt, QString(), clock);
        const auto second = ImageOutput::quickSave(options, image, 1.0, std::nullopt, QString(), clock);
        EXPECT_EQ(first, options.folder + '/' + c.first);
        EXPECT_EQ(second, options.folder + '/' + c.second);
        QFile file(options.folder + '/' + c.second);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().startsWith(c.magic));
    }
}

TEST(QuickSaveTest, AFolderThatIsAFileFailsAndTheMenuNamesTheFolder)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("Shots")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    const QuickSave options{blocker.fileName(), QString(), QuickSaveFormat::png, 92};
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    EXPECT_EQ(ImageOutput::quickSave(options, image, 1.0, std::nullopt, QString(), {}), std::nullopt);
    EXPECT_EQ(quickSaveTitle(options), QStringLiteral("Save to Shots"));
    EXPECT_EQ(quickSaveTitle(QuickSave()), QStringLiteral("Save to Desktop"));
}

} // namespace
} // namespace corvane
