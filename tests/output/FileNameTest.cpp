// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTestSupport.h"
#include "output/ImageOutput.h"

#include <QRegularExpression>
#include <ctime>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using outputtest::ScopedEnvironment;

struct NameCase {
    QDate date;
    QTime time;
    const char* expected;
};

class DefaultFileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(DefaultFileNameTest, SpellsTheLocalMoment)
{
    const NameCase& row = GetParam();
    EXPECT_EQ(ImageOutput::defaultFileName(QDateTime(row.date, row.time)).toStdString(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DefaultFileNameTest,
    ::testing::Values(NameCase{QDate(2026, 12, 5), QTime(22, 29, 9), "Screenshot 2026-12-05 at 22.29.09"},
                      NameCase{QDate(2027, 1, 2), QTime(3, 4, 5), "Screenshot 2027-01-02 at 03.04.05"},
                      NameCase{QDate(2024, 2, 29), QTime(0, 0, 0), "Screenshot 2024-02-29 at 00.00.00"},
                      NameCase{QDate(1999, 12, 31), QTime(23, 59, 59, 999), "Screenshot 1999-12-31 at 23.59.59"},
                      NameCase{QDate(2026, 7, 14), QTime(12, 0, 30), "Screenshot 2026-07-14 at 12.00.30"}));

// A moment given in another zone is named in the user's own: TZ decides which that is.
struct ZoneCase {
    const char* zone; // POSIX TZ strings need no time-zone database
    QDateTime utc;
    const char* expected;
};

class DefaultFileNameZoneTest : public ::testing::TestWithParam<ZoneCase> {};

TEST_P(DefaultFileNameZoneTest, UsesTheUsersTimeZone)
{
    const ZoneCase& row = GetParam();
    QString name;
    {
        const ScopedEnvironment zone("TZ", row.zone);
        ::tzset();
        name = ImageOutput::defaultFileName(row.utc);
    }
    ::tzset();
    EXPECT_EQ(name.toStdString(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DefaultFileNameZoneTest,
    ::testing::Values(
        ZoneCase{"JST-9", QDateTime(QDate(2026, 12, 5), QTime(13, 29, 9), Qt::UTC), "Screenshot 2026-12-05 at 22.29.09"},
        ZoneCase{"EST5", QDateTime(QDate(2026, 12, 6), QTime(3, 29, 9), Qt::UTC), "Screenshot 2026-12-05 at 22.29.09"},
        ZoneCase{"UTC0", QDateTime(QDate(2026, 12, 5), QTime(22, 29, 9), Qt::UTC), "Screenshot 2026-12-05 at 22.29.09"}));

TEST(DefaultFileNameTest, WithoutAMomentUsesNow)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^Screenshot \d{4}-\d{2}-\d{2} at \d{2}\.\d{2}\.\d{2}$)"));
    const QString name = ImageOutput::defaultFileName();
    EXPECT_TRUE(pattern.match(name).hasMatch()) << name.toStdString();
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    const QString yesterday = QDate::currentDate().addDays(-1).toString(QStringLiteral("yyyy-MM-dd"));
    // The date in it is today's (or yesterday's, when the test ran across midnight).
    EXPECT_TRUE(name.contains(today) || name.contains(yesterday)) << name.toStdString();
}

} // namespace
} // namespace corvane
