// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/FileNamePattern.h"

#include "output/ImageOutput.h"

#include <QLocale>

namespace corvane::FileNamePattern {

namespace {

const QString kTitleToken = QStringLiteral("%{title}");

// One letter after '%': what it stands for, or nothing for a letter that is no token.
std::optional<QString> token(QChar letter, const QDateTime& local, std::uint64_t counter)
{
    // Names in English whatever the user's language, as strftime gives them in the C locale: the same
    // pattern names files the same on every machine.
    const QLocale c = QLocale::c();
    switch (letter.unicode()) {
    case 'Y': return local.toString(QStringLiteral("yyyy"));
    case 'y': return local.toString(QStringLiteral("yy"));
    case 'm': return local.toString(QStringLiteral("MM"));
    case 'd': return local.toString(QStringLiteral("dd"));
    case 'H': return local.toString(QStringLiteral("HH"));
    case 'I': return QStringLiteral("%1").arg((local.time().hour() + 11) % 12 + 1, 2, 10, QLatin1Char('0'));
    case 'p': return local.time().hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
    case 'M': return local.toString(QStringLiteral("mm"));
    case 'S': return local.toString(QStringLiteral("ss"));
    case 'j': return QStringLiteral("%1").arg(local.date().dayOfYear(), 3, 10, QLatin1Char('0'));
    case 'a': return c.dayName(local.date().dayOfWeek(), QLocale::ShortFormat);
    case 'A': return c.dayName(local.date().dayOfWeek(), QLocale::LongFormat);
    case 'b': return c.monthName(local.date().month(), QLocale::ShortFormat);
    case 'B': return c.monthName(local.date().month(), QLocale::LongFormat);
    case 'n': return QString::number(counter);
    case '%': return QStringLiteral("%");
    }
    return std::nullopt;
}

} // namespace

QString expand(const QString& pattern, const QDateTime& at, const QString& title, std::uint64_t counter)
{
    const QDateTime local = at.toLocalTime();
    QString name;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) != QLatin1Char('%') || i + 1 == pattern.size()) {
            name += pattern.at(i);
            continue;
        }
        if (QStringView(pattern).mid(i).startsWith(kTitleToken)) {
            name += title;
            i += kTitleToken.size() - 1;
            continue;
        }
        if (const auto text = token(pattern.at(i + 1), local, counter)) {
            name += *text;
            ++i;
        } else {
            name += pattern.at(i);
        }
    }
    for (QChar& c : name) {
        if (c == QLatin1Char('/') || c.category() == QChar::Other_Control)
            c = QLatin1Char('-');
    }
    if (name.trimmed().isEmpty())
        return ImageOutput::defaultFileName(at);
    return name;
}

bool hasCounter(const QString& pattern)
{
    for (qsizetype i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern.at(i) != QLatin1Char('%'))
            continue;
        if (pattern.at(i + 1) == QLatin1Char('n'))
            return true;
        ++i; // "%%n" is a percent sign and an n
    }
    return false;
}

} // namespace corvane::FileNamePattern
