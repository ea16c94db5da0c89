// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Launch.h"

#include "app/AppDelegate.h"
#include "app/CaptureClient.h"
#include "app/CommandReport.h"
#include "app/InstanceChannel.h"
#include "app/MainThread.h"
#include "app/SessionBusChannel.h"
#include "app/StandaloneCapture.h"
#include "platform/x11/X11DisplayLoss.h"
#include "selfcheck/SelfTest.h"
#include "selfcheck/UITestDelegate.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>

namespace corvane {

namespace {

const QString noDisplayMessage = QStringLiteral("no display to run on (neither DISPLAY nor WAYLAND_DISPLAY is set)");

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Qt would abort with a page about platform plugins; say what is actually wrong instead.
bool reportMissingDisplay()
{
    if (hasDisplay())
        return false;
    std::fprintf(stderr, "corvane: %s\n", qPrintable(noDisplayMessage));
    return true;
}

// A capture whose command waits for the picture: its destination is checked before anything is
// captured, then the running instance takes it, or this process does.
int runWaitingCapture(const CommandLine& line, int& argc, char** argv)
{
    if (const std::optional<QString> error = CaptureClient::checkDestination(line.capture))
        return CommandReport::finish(2, *error);
    if (line.capture.destination == CaptureOptions::Destination::clipboard)
        CommandReport::detachFromCaller();
    if (const std::optional<int> status = CaptureClient::handOverToRunningInstance(line, argc, argv))
        return *status;
    if (!hasDisplay())
        return CommandReport::finish(2, noDisplayMessage);
    return runStandaloneCapture(line, argc, argv);
}

int runSelfCheck(const QString& outputPath, int& argc, char** argv)
{
    // The self-check draws into pictures only. Without a platform choice of the user's it runs on the
    // offscreen platform, so it works the same over SSH, in CI and on a desktop.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    assumeMainThread("main");
    return SelfTest::run(outputPath);
}

int runSnapshot(const QString& outputDirectory, int& argc, char** argv)
{
    if (reportMissingDisplay())
        return 1;
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    assumeMainThread("main");
    // Goes with the application object once the snapshot mode has quit.
    auto* delegate = new UITestDelegate(outputDirectory, &app);
    QTimer::singleShot(0, delegate, [delegate] { delegate->applicationDidFinishLaunching(); });
    QApplication::exec();
    return 0;
}

int runNormal(const CommandLine& line, const QStringList& arguments, int& argc, char** argv)
{
    if (line.capture.waitsForResult())
        return runWaitingCapture(line, argc, argv);
    // Most later invocations only pass a request on: they learn that before making a GUI.
    if (const std::optional<int> status = CaptureClient::handOverToRunningInstance(line, argc, argv))
        return *status;
    if (reportMissingDisplay())
        return 1;
    const LaunchMode& mode = line.mode;
    QApplication app(argc, argv);
    // A tray utility: closing the last editor window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    assumeMainThread("main");

    // The running instance has another working directory: resolve the name the user typed here.
    const QString path =
        mode.trigger == Trigger::open ? QDir::current().absoluteFilePath(mode.path) : QString();
    SessionBusChannel channel;
    const InstanceOutcome outcome = joinOrBecomeInstance(channel, mode.trigger, path);
    if (!outcome.message.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(outcome.message));
    switch (outcome.action) {
    case InstanceOutcome::Action::runHere:
        break;
    case InstanceOutcome::Action::exitDone:
        return 0;
    case InstanceOutcome::Action::exitFailed:
        return 1;
    }

    x11::armLostDisplayMessage();
    AppDelegate delegate(arguments);
    channel.setHandler([&delegate](Trigger trigger, const QString& absolutePath) {
        return delegate.perform(trigger, absolutePath);
    });
    channel.setCaptureHandler([&delegate](Trigger trigger, const CaptureOptions& options, const CaptureJob& job,
                                          std::function<void(CaptureJobEnd)> finished) {
        return delegate.performCapture(trigger, options, job, std::move(finished));
    });
    QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(); });
    QApplication::exec();
    x11::disarmLostDisplayMessage();
    return 0;
}

} // namespace

int launch(const CommandLine& line, const QStringList& arguments, int& argc, char** argv)
{
    const LaunchMode& mode = line.mode;
    switch (mode.kind) {
    case LaunchMode::Kind::selfCheck:
        return runSelfCheck(mode.path, argc, argv);
    case LaunchMode::Kind::snapshot:
        return runSnapshot(mode.path, argc, argv);
    case LaunchMode::Kind::normal:
        return runNormal(line, arguments, argc, argv);
    }
    return 0;
}

} // namespace corvane
