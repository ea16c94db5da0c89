// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace corvane {

// What a command line asks the tray utility to do once it runs, here or in the instance already
// running: nothing, a region capture, a capture of the monitor under the pointer, a capture of a window
// picked in the overlay, or opening a picture.
enum class Trigger { none, captureRegion, captureScreen, open, captureWindow };

struct LaunchMode {
    enum class Kind { selfCheck, snapshot, normal };
    Kind kind = Kind::normal;
    // The self-check PNG path, the snapshot directory, or the picture to open as typed (the open
    // trigger); empty otherwise.
    QString path;
    // Only in the normal mode.
    Trigger trigger = Trigger::none;

    friend bool operator==(const LaunchMode&, const LaunchMode&) = default;
};

inline const QString defaultSelfCheckPath = QStringLiteral("selftest.png");
inline const QString defaultSnapshotDirectory = QStringLiteral("./uitest");

// Picks the mode from the whole argument list, program path included. The first "--selftest" anywhere
// wins; only without one does the first "--uitest" count. The element after a switch is its argument
// whatever it looks like. In the normal mode the first of "--capture-region", "--capture-screen",
// "--capture-window" and "--open" is the trigger; an "--open" with nothing after it is ignored. The
// other switches are CommandLine's business, which checks them before this choice is acted on.
LaunchMode chooseLaunchMode(const QStringList& arguments);

} // namespace corvane
