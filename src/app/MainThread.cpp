// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainThread.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>
#include <cstdlib>

namespace corvane {

void assumeMainThread(const char* file)
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        return;
    std::fprintf(stderr, "%s: Fatal error: %s\n", file, mainThreadViolationMessage);
    std::fflush(stderr);
    std::abort();
}

} // namespace corvane
