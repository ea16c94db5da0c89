// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Launch.h"
#include "app/CommandLine.h"
#include "editor/DecoderProcess.h"
#include "editor/FileNameBytes.h"

#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // The running program's own picture decoder, started by itself: nothing else of the command line
    // counts then.
    if (argc > 1 && std::strcmp(argv[1], corvane::decoderHelperSwitch) == 0)
        return corvane::runDecoderHelper(argc, argv);
    // Read before the application object exists: Qt removes the switches it knows (-platform, -style...)
    // from argv, and the mode is chosen from the whole list as the user typed it.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(corvane::FileNameBytes::decode(argv[i])); // a file name may not be UTF-8
    const corvane::CommandLine line = corvane::parseCommandLine(arguments);
    switch (line.action) {
    case corvane::CommandLine::Action::showHelp:
        std::fputs(qPrintable(corvane::usageText()), stdout);
        return 0;
    case corvane::CommandLine::Action::showVersion:
        std::fputs(qPrintable(corvane::versionText()), stdout);
        return 0;
    case corvane::CommandLine::Action::reject:
        std::fprintf(stderr, "corvane: %s\n%s", qPrintable(line.error), qPrintable(corvane::usageText()));
        return 2;
    case corvane::CommandLine::Action::run:
        break;
    }
    return corvane::launch(line, arguments, argc, argv);
}
