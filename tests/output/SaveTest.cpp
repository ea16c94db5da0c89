// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTestSupport.h"
#include "output/ImageOutput.h"

#include <QFileInfo>
#include <QImageReader>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <latch>
#include <thread>
#include <unistd.h>
#include <vector>

namespace corvane {
namespace {

using outputtest::dotsPerInch;
using outputtest::entries;
using outputtest::kPngSignature;
using outputtest::patternImage;
using outputtest::readAll;
using outputtest::samePixels;
using outputtest::ScriptedClock;
using outputtest::writeFile;

const QDateTime kMoment(QDate(2026, 12, 5), QTime(22, 29, 9));

class SaveToDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    std::optional<QString> save(const std::optional<QString>& name, const QImage& image)
    {
        return ImageOutput::saveToDirectory(m_dir.path(), image, 2.0, name, m_clock.clock());
    }

    // The picture in a saved file, or a null image when it is not a complete PNG.
    static QImage savedPicture(const QString& file)
    {
        const QByteArray bytes = readAll(file);
        if (!bytes.startsWith(kPngSignature))
            return {};
        return QImage::fromData(bytes, "PNG");
    }

    QTemporaryDir m_dir;
    ScriptedClock m_clock{{kMoment}};
    QImage m_image = patternImage(30, 20, 1);
};

TEST_F(SaveToDirectoryTest, NumbersTheSecondAndThirdSaveOfAName)
{
    const auto first = save(QStringLiteral("shot"), m_image);
    const auto second = save(QStringLiteral("shot"), m_image);
    const auto third = save(QStringLiteral("shot"), m_image);

    EXPECT_EQ(first, path(QStringLiteral("shot.png")));
    EXPECT_EQ(second, path(QStringLiteral("shot (2).png")));
    EXPECT_EQ(third, path(QStringLiteral("shot (3).png")));
    EXPECT_EQ(entries(m_dir.path()), QStringList({"shot (2).png", "shot (3).png", "shot.png"}));
    for (const QString& name : entries(m_dir.path()))
        EXPECT_TRUE(samePixels(savedPicture(path(name)), m_image)) << name.toStdString();
    EXPECT_EQ(m_clock.calls(), 0) << "a given name needs no time stamp";
}

TEST_F(SaveToDirectoryTest, RecordsTheScaleInTheFile)
{
    const auto saved = save(QStringLiteral("shot"), m_image);
    ASSERT_TRUE(saved);
    QImageReader reader(*saved);
    EXPECT_EQ(reader.format(), "png");
    const QImage picture = reader.read();
    EXPECT_EQ(picture.size(), QSize(30, 20));
    EXPECT_EQ(dotsPerInch(picture.dotsPerMeterX()), 144);
}

// --- what counts as taken ----------------------------------------------------------------------------

enum class Existing { File, Folder, DanglingLink };

struct TakenCase {
    const char* label;
    std::vector<std::pair<const char*, Existing>> existing;
    const char* name;
    const char* expected;
};

class TakenNameTest : public SaveToDirectoryTest, public ::testing::WithParamInterface<TakenCase> {};

TEST_P(TakenNameTest, SavesUnderTheFirstFreeNameAndTouchesNothingElse)
{
    const TakenCase& row = GetParam();
    for (const auto& [name, kind] : row.existing) {
        const QString where = path(QString::fromUtf8(name));
        switch (kind) {
        case Existing::File:
            ASSERT_TRUE(writeFile(where, "old contents"));
            break;
        case Existing::Folder:
            ASSERT_TRUE(QDir().mkdir(where));
            break;
        case Existing::DanglingLink:
            ASSERT_EQ(::symlink("nowhere/at/all.png", QFile::encodeName(where).constData()), 0);
            break;
        }
    }

    const auto saved = save(QString::fromUtf8(row.name), m_image);

    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved, path(QString::fromUtf8(row.expected)));
    EXPECT_TRUE(samePixels(savedPicture(*saved), m_image));
    for (const auto& [name, kind] : row.existing) {
        const QFileInfo info(path(QString::fromUtf8(name)));
        switch (kind) {
        case Existing::File:
            EXPECT_EQ(readAll(info.filePath()), "old contents") << name;
            break;
        case Existing::Folder:
            EXPECT_TRUE(info.isDir()) << name;
            EXPECT_TRUE(entries(info.filePath()).isEmpty()) << name;
            break;
        case Existing::DanglingLink:
            EXPECT_EQ(info.symLinkTarget(), QDir(m_dir.path()).absoluteFilePath("nowhere/at/all.png")) << name;
            EXPECT_FALSE(info.exists()) << name; // still dangling: nothing was written through it
            break;
        }
    }
    EXPECT_EQ(entries(m_dir.path()).size(), qsizetype(row.existing.size() + 1));
}

INSTANTIATE_TEST_SUITE_P(
    Table, TakenNameTest,
    ::testing::Values(
        TakenCase{"FirstTwoExist",
                  {{"shot.png", Existing::File}, {"shot (2).png", Existing::File}},
                  "shot",
                  "shot (3).png"},
        TakenCase{"NameEndingInPng", {}, "shot.png", "shot.png.png"},
        TakenCase{"NameEndingInPngTaken", {{"shot.png.png", Existing::File}}, "shot.png", "shot.png (2).png"},
        TakenCase{"FolderTakesTheName", {{"shot.png", Existing::Folder}}, "shot", "shot (2).png"},
        TakenCase{"DanglingLinkTakesTheName", {{"shot.png", Existing::DanglingLink}}, "shot", "shot (2).png"},
        TakenCase{"GapIsFilledFirst", {{"shot (2).png", Existing::File}}, "shot", "shot.png"},
        TakenCase{"LaterGapIsFilled",
                  {{"shot.png", Existing::File}, {"shot (3).png", Existing::File}},
                  "shot",
                  "shot (2).png"},
        TakenCase{"OtherNamesDoNotMatter", {{"other.png", Existing::File}, {"shot", Existing::File}}, "shot", "shot.png"},
        TakenCase{"SpacesAndUnicode", {{"Bildschirmfoto – Übersicht.png", Existing::File}},
                  "Bildschirmfoto – Übersicht", "Bildschirmfoto – Übersicht (2).png"}),
    [](const auto& param) { return std::string(param.param.label); });

// --- time-stamped names --------------------------------------------------------------------------------

TEST_F(SaveToDirectoryTest, WithoutANameUsesTheClocksTimeStamp)
{
    const auto first = save(std::nullopt, m_image);
    const auto second = save(std::nullopt, m_image);

    EXPECT_EQ(first, path(QStringLiteral("Screenshot 2026-12-05 at 22.29.09.png")));
    EXPECT_EQ(second, path(QStringLiteral("Screenshot 2026-12-05 at 22.29.09 (2).png")));
}

TEST_F(SaveToDirectoryTest, AnEmptyNameCountsAsNoName)
{
    EXPECT_EQ(save(QString(), m_image), path(QStringLiteral("Screenshot 2026-12-05 at 22.29.09.png")));
}

TEST_F(SaveToDirectoryTest, ACollisionAcrossASecondGoesOnWithTheNewerStamp)
{
    ASSERT_TRUE(writeFile(path(QStringLiteral("Screenshot 2026-12-05 at 22.29.09.png")), "taken"));
    ScriptedClock advancing({kMoment, kMoment.addSecs(1)});

    const auto saved = ImageOutput::saveToDirectory(m_dir.path(), m_image, 1.0, std::nullopt, advancing.clock());

    EXPECT_EQ(saved, path(QStringLiteral("Screenshot 2026-12-05 at 22.29.10 (2).png")));
    EXPECT_EQ(advancing.calls(), 2);
    EXPECT_EQ(readAll(path(QStringLiteral("Screenshot 2026-12-05 at 22.29.09.png"))), "taken");
}

TEST_F(SaveToDirectoryTest, NothingToEncodeTouchesNoFileAndProbesNoName)
{
    const auto saved = save(std::nullopt, QImage());

    EXPECT_FALSE(saved);
    EXPECT_TRUE(entries(m_dir.path()).isEmpty());
    EXPECT_EQ(m_clock.calls(), 0);
}

TEST_F(SaveToDirectoryTest, ARelativeFolderGivesAnAbsolutePath)
{
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("sub")));
    const auto saved = ImageOutput::saveToDirectory(QStringLiteral("sub"), m_image, 1.0, QStringLiteral("shot"),
                                                    m_clock.clock());
    QDir::setCurrent(before);
    EXPECT_EQ(saved, path(QStringLiteral("sub/shot.png")));
}

// --- several writers at once ----------------------------------------------------------------------------

TEST_F(SaveToDirectoryTest, TwoWritersRacingForOneNameKeepEveryPicture)
{
    constexpr int kSavesEach = 200;
    const QImage pictures[2] = {patternImage(48, 32, 11), patternImage(48, 32, 12)};
    std::vector<std::optional<QString>> results[2];
    std::latch start(2);
    const QString folder = m_dir.path();

    auto writer = [&](int which) {
        start.arrive_and_wait();
        for (int i = 0; i < kSavesEach; ++i)
            results[which].push_back(
                ImageOutput::saveToDirectory(folder, pictures[which], 1.0, QStringLiteral("race"), {}));
    };
    std::thread first(writer, 0);
    std::thread second(writer, 1);
    first.join();
    second.join();

    QStringList expectedNames{QStringLiteral("race.png")};
    for (int n = 2; n <= 2 * kSavesEach; ++n)
        expectedNames << QStringLiteral("race (%1).png").arg(n);
    expectedNames.sort();
    EXPECT_EQ(entries(folder), expectedNames) << "exactly 400 pictures and no temporary file";

    QSet<QString> distinct;
    for (int which = 0; which < 2; ++which) {
        ASSERT_EQ(results[which].size(), size_t(kSavesEach));
        for (const auto& saved : results[which]) {
            ASSERT_TRUE(saved);
            distinct.insert(*saved);
            EXPECT_TRUE(samePixels(savedPicture(*saved), pictures[which]))
                << saved->toStdString() << " is not writer " << which << "'s complete picture";
        }
    }
    EXPECT_EQ(distinct.size(), 2 * kSavesEach);
}

} // namespace
} // namespace corvane
