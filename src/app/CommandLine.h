// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/LaunchMode.h"

#include <QString>
#include <QStringList>

namespace corvane {

// What a capture asked for on the command line does besides its kind: wait first, take every monitor,
// and where the picture goes when no one is to choose it in the destination menu.
struct CaptureOptions {
    enum class Destination { menu, file, standardOutput, clipboard };

    double delaySeconds = 0;
    bool allScreens = false;
    Destination destination = Destination::menu;
    QString path; // the file as typed, for Destination::file
    bool force = false;

    // A command that waits for the picture and reports how it ended in its exit status.
    bool waitsForResult() const { return destination != Destination::menu; }

    friend bool operator==(const CaptureOptions&, const CaptureOptions&) = default;
};

struct CommandLine {
    enum class Action { run, showHelp, showVersion, reject };
    Action action = Action::run;
    QString error; // for reject: one line naming what is wrong, without the usage
    LaunchMode mode;
    CaptureOptions capture;
};

// Checks every "--" switch and reads the capture options; the mode itself comes from
// chooseLaunchMode, whose rules (the first --selftest wins, the word after a switch is its argument)
// stay as they were. Qt's own single-dash options (-platform, -style...) and plain words pass.
CommandLine parseCommandLine(const QStringList& arguments);

// Every switch, one line each.
QString usageText();
QString versionText();

} // namespace corvane
