// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace corvane {

struct LaunchMode {
    enum class Kind { selfCheck, snapshot, normal };
    Kind kind = Kind::normal;
    // The self-check PNG path or the snapshot directory; empty in the normal mode.
    QString path;

    friend bool operator==(const LaunchMode&, const LaunchMode&) = default;
};

inline const QString defaultSelfCheckPath = QStringLiteral("selftest.png");
inline const QString defaultSnapshotDirectory = QStringLiteral("./uitest");

// Picks the mode from the whole argument list, program path included. The first "--selftest" anywhere
// wins; only without one does the first "--uitest" count. The element after the switch is its
// argument whatever it looks like. Anything else is ignored: there is no option parser on purpose.
LaunchMode chooseLaunchMode(const QStringList& arguments);

} // namespace corvane
