// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CaptureJob.h"

#include "output/ImageOutput.h"

#include <QMimeDatabase>

namespace corvane {

CaptureKind captureKindFor(Trigger trigger, bool allScreens)
{
    switch (trigger) {
    case Trigger::captureWindow:
        return CaptureKind::window;
    case Trigger::captureScreen:
        return allScreens ? CaptureKind::allScreens : CaptureKind::screen;
    case Trigger::captureRegion:
    case Trigger::none:
    case Trigger::open:
        break;
    }
    return CaptureKind::region;
}

namespace {

CaptureJobEnd deliver(const CaptureJob& job, const CaptureEnd& end)
{
    if (!end.error.isEmpty())
        return {2, QStringLiteral("the screen could not be captured: %1").arg(end.error), {}};
    if (!end.result)
        return {1, QStringLiteral("the capture was cancelled"), {}};
    switch (job.output) {
    case CaptureJob::Output::menu:
        break;
    case CaptureJob::Output::clipboard:
        if (!ImageOutput::copyToClipboard(end.result->image, end.result->scale))
            return {2, QStringLiteral("the picture could not be put on the clipboard"), {}};
        break;
    case CaptureJob::Output::encoded: {
        const QMimeType type = QMimeDatabase().mimeTypeForName(job.mimeType);
        std::optional<QByteArray> bytes = ImageOutput::data(end.result->image, type, end.result->scale);
        if (!bytes)
            return {2, QStringLiteral("the picture could not be encoded as %1").arg(job.mimeType), {}};
        return {0, {}, std::move(*bytes)};
    }
    }
    return {0, {}, {}};
}

} // namespace

void runCaptureJob(const CaptureJob& job, std::function<void(CaptureJobEnd)> finished)
{
    if (job.output == CaptureJob::Output::menu) {
        // Dropped like a second press of the shortcut when a capture is already up.
        CaptureController::shared().startCapture(job.kind);
        finished({});
        return;
    }
    const bool started = CaptureController::shared().startCapture(
        job.kind, [job, finished](const CaptureEnd& end) { finished(deliver(job, end)); });
    if (!started)
        finished({2, QStringLiteral("Corvane is busy with another capture; try again when it is done"), {}});
}

} // namespace corvane
