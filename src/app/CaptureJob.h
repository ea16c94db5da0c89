// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/LaunchMode.h"
#include "flow/CaptureController.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace corvane {

// A capture asked for by a command, as it travels to the process that takes it: its kind, and where the
// picture goes: the destination menu, the clipboard, or encoded bytes handed back to the command.
struct CaptureJob {
    enum class Output { menu, clipboard, encoded };
    CaptureKind kind = CaptureKind::region;
    Output output = Output::menu;
    QString mimeType = QStringLiteral("image/png"); // for encoded: the format by the file's suffix
};

// How a job ended, as the command reports it: its exit status (0 done, 1 cancelled by the user, 2
// failed), one line for standard error when there is something to say, and the encoded picture.
struct CaptureJobEnd {
    int status = 0;
    QString message;
    QByteArray bytes;
};

// The capture kind a trigger asks for; `allScreens` only changes a screen capture.
CaptureKind captureKindFor(Trigger trigger, bool allScreens);

// Starts the capture now. FINISHED runs once: at once for the destination menu (nothing to wait for),
// otherwise when the picture is on the clipboard or encoded, or the capture was cancelled or refused.
void runCaptureJob(const CaptureJob& job, std::function<void(CaptureJobEnd)> finished);

} // namespace corvane
