// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LaunchMode.h"

namespace corvane {

namespace {

// The argument after the first occurrence of the switch, or the fallback when it is the last one.
QString argumentAfter(const QStringList& arguments, qsizetype index, const QString& fallback)
{
    return index + 1 < arguments.size() ? arguments[index + 1] : fallback;
}

LaunchMode normalMode(const QStringList& arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (word == QLatin1String("--capture-region"))
            return {LaunchMode::Kind::normal, QString(), Trigger::captureRegion};
        if (word == QLatin1String("--capture-screen"))
            return {LaunchMode::Kind::normal, QString(), Trigger::captureScreen};
        if (word == QLatin1String("--capture-window"))
            return {LaunchMode::Kind::normal, QString(), Trigger::captureWindow};
        // A trailing "--open" can only follow every other switch, so ignoring it hides none of them.
        if (word == QLatin1String("--open") && i + 1 < arguments.size())
            return {LaunchMode::Kind::normal, arguments[i + 1], Trigger::open};
    }
    return {LaunchMode::Kind::normal, QString(), Trigger::none};
}

} // namespace

LaunchMode chooseLaunchMode(const QStringList& arguments)
{
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--selftest")); at >= 0)
        return {LaunchMode::Kind::selfCheck, argumentAfter(arguments, at, defaultSelfCheckPath)};
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--uitest")); at >= 0)
        return {LaunchMode::Kind::snapshot, argumentAfter(arguments, at, defaultSnapshotDirectory)};
    return normalMode(arguments);
}

} // namespace corvane
