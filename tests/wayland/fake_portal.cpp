// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// A screenshot portal that refuses every request, for the end-to-end test of the refusal path. It
// takes org.freedesktop.portal.Desktop on the session bus and runs until it is ended.
#include "FakePortal.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    corvane::testing::FakePortal portal;
    portal.screenshotResponse = 2;
    if (!portal.publish(QDBusConnection::sessionBus(), false)) {
        std::fprintf(stderr, "could not take the portal's name on the session bus\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
