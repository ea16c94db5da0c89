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

} // namespace

LaunchMode chooseLaunchMode(const QStringList& arguments)
{
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--selftest")); at >= 0)
        return {LaunchMode::Kind::selfCheck, argumentAfter(arguments, at, defaultSelfCheckPath)};
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--uitest")); at >= 0)
        return {LaunchMode::Kind::snapshot, argumentAfter(arguments, at, defaultSnapshotDirectory)};
    return {LaunchMode::Kind::normal, QString()};
}

} // namespace corvane
