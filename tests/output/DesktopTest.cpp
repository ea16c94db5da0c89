// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTestSupport.h"
#include "output/ImageOutput.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using outputtest::dotsPerInch;
using outputtest::entries;
using outputtest::patternImage;
using outputtest::samePixels;
using outputtest::ScopedEnvironment;
using outputtest::writeFile;

// A home folder of its own for one test: HOME and XDG_CONFIG_HOME point into it.
class SaveToDesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        m_homeVariable.emplace("HOME", QFile::encodeName(m_home.path()));
        m_configVariable.emplace("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral(".config"))));
    }
    void TearDown() override
    {
        m_configVariable.reset();
        m_homeVariable.reset();
    }

    QTemporaryDir m_home;
    std::optional<ScopedEnvironment> m_homeVariable;
    std::optional<ScopedEnvironment> m_configVariable;
    QImage m_image = patternImage(24, 16, 4);
};

TEST_F(SaveToDesktopTest, CreatesAMissingDesktopFolderUnderHome)
{
    const QString desktop = m_home.filePath(QStringLiteral("Desktop"));
    ASSERT_FALSE(QFileInfo::exists(desktop));

    const auto saved = ImageOutput::saveToDesktop(m_image, 2.0, QStringLiteral("shot"));

    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved, desktop + QStringLiteral("/shot.png"));
    EXPECT_TRUE(QFileInfo(desktop).isDir());
    const QImage picture(*saved);
    EXPECT_TRUE(samePixels(picture, m_image));
    EXPECT_EQ(dotsPerInch(picture.dotsPerMeterX()), 144);
}

TEST_F(SaveToDesktopTest, NumbersLikeAnyFolder)
{
    ASSERT_TRUE(QDir().mkdir(m_home.filePath(QStringLiteral("Desktop"))));
    ASSERT_TRUE(writeFile(m_home.filePath(QStringLiteral("Desktop/shot.png")), "old"));

    const auto saved = ImageOutput::saveToDesktop(m_image, 1.0, QStringLiteral("shot"));

    EXPECT_EQ(saved, m_home.filePath(QStringLiteral("Desktop/shot (2).png")));
}

TEST_F(SaveToDesktopTest, FollowsTheXdgDesktopDirectory)
{
    ASSERT_TRUE(QDir().mkpath(m_home.filePath(QStringLiteral(".config"))));
    ASSERT_TRUE(writeFile(m_home.filePath(QStringLiteral(".config/user-dirs.dirs")),
                          "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"));

    const auto saved = ImageOutput::saveToDesktop(m_image, 1.0, QStringLiteral("shot"));

    EXPECT_EQ(saved, m_home.filePath(QStringLiteral("Schreibtisch/shot.png")));
    EXPECT_FALSE(QFileInfo::exists(m_home.filePath(QStringLiteral("Desktop"))));
}

TEST_F(SaveToDesktopTest, WithoutANameUsesTheCurrentTimeStamp)
{
    const auto saved = ImageOutput::saveToDesktop(m_image, 1.0);

    ASSERT_TRUE(saved);
    const QStringList names = entries(m_home.filePath(QStringLiteral("Desktop")));
    ASSERT_EQ(names.size(), 1);
    static const QRegularExpression pattern(
        QStringLiteral(R"(^Screenshot \d{4}-\d{2}-\d{2} at \d{2}\.\d{2}\.\d{2}\.png$)"));
    EXPECT_TRUE(pattern.match(names.first()).hasMatch()) << names.first().toStdString();
}

TEST_F(SaveToDesktopTest, NothingToEncodeGivesNothing)
{
    EXPECT_FALSE(ImageOutput::saveToDesktop(QImage(), 1.0, QStringLiteral("shot")));
}

} // namespace
} // namespace corvane
