// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Launch.h"
#include "app/LaunchMode.h"
#include "editor/DecoderProcess.h"
#include "editor/FileNameBytes.h"

#include <QString>
#include <QStringList>
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
    return corvane::launch(corvane::chooseLaunchMode(arguments), arguments, argc, argv);
}
