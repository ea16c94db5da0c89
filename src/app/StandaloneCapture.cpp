// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StandaloneCapture.h"

#include "app/CaptureClient.h"
#include "app/CaptureJob.h"
#include "app/CommandReport.h"
#include "app/DelayedCapture.h"
#include "app/MainThread.h"

#include <QApplication>
#include <QClipboard>
#include <QTimer>

namespace corvane {

namespace {

CaptureJob::Output outputFor(CaptureOptions::Destination destination)
{
    switch (destination) {
    case CaptureOptions::Destination::menu:
        return CaptureJob::Output::menu;
    case CaptureOptions::Destination::clipboard:
        return CaptureJob::Output::clipboard;
    case CaptureOptions::Destination::file:
    case CaptureOptions::Destination::standardOutput:
        return CaptureJob::Output::encoded;
    }
    return CaptureJob::Output::menu;
}

// Until another program owns the clipboard: X11 asks the owner for the picture each time it is pasted.
void keepClipboard(QApplication& application)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->ownsClipboard())
        return;
    QObject::connect(clipboard, &QClipboard::changed, &application, [clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard())
            QCoreApplication::quit();
    });
    QApplication::exec();
}

} // namespace

int runStandaloneCapture(const CommandLine& line, int& argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    assumeMainThread("main");

    const CaptureOptions& options = line.capture;
    const CaptureJob job{captureKindFor(line.mode.trigger, options.allScreens), outputFor(options.destination),
                         CaptureClient::formatFor(options)};
    CaptureJobEnd end{2, QStringLiteral("the capture did not end"), {}};
    const auto finished = [&end](CaptureJobEnd result) {
        end = std::move(result);
        // Queued: the job may end before the event loop has started.
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    };
    DelayedCapture delay;
    const auto run = [job, finished] { runCaptureJob(job, finished); };
    if (options.delaySeconds > 0)
        delay.start(options.delaySeconds, run, {});
    else
        QTimer::singleShot(0, &application, run);
    QApplication::exec();

    if (end.status != 0)
        return CommandReport::finish(end.status, end.message);
    if (job.output == CaptureJob::Output::encoded) {
        if (const std::optional<QString> failure = CaptureClient::writeDestination(options, end.bytes))
            return CommandReport::finish(2, *failure);
        return CommandReport::finish(0, {});
    }
    CommandReport::finish(0, {});
    keepClipboard(application);
    return 0;
}

} // namespace corvane
