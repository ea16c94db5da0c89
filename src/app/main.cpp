// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Launch.h"
#include "app/LaunchMode.h"

#include <QString>
#include <QStringList>

int main(int argc, char** argv)
{
    // Read before the application object exists: Qt removes the switches it knows (-platform, -style...)
    // from argv, and the mode is chosen from the whole list as the user typed it.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return corvane::launch(corvane::chooseLaunchMode(arguments), arguments, argc, argv);
}
