// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace corvane {

// The command's side of a capture: checking and writing its destination, and handing the whole
// request to the running instance from a process that has no GUI and no display connection.
namespace CaptureClient {

// The MIME type the picture is encoded in: by the file's suffix as in Save As (JPEG for .jpg and .jpeg,
// TIFF for .tif and .tiff, PNG otherwise), PNG for standard output.
QString formatFor(const CaptureOptions& options);

// Checked before anything is captured: a file that exists is refused without --force. The error line,
// or nothing.
std::optional<QString> checkDestination(const CaptureOptions& options);

// Writes the encoded picture to standard output or to the file: without --force an existing file is
// never replaced, not even one made while the capture ran; with it the old file stays until the new one
// is complete. The error line, or nothing.
std::optional<QString> writeDestination(const CaptureOptions& options, const QByteArray& bytes);

// When an instance owns the session bus name: hands the command to it and answers the exit status
// (having reported through CommandReport). Nothing when there is no bus or no instance, so this process
// must act itself. Makes and destroys a core application object of its own.
std::optional<int> handOverToRunningInstance(const CommandLine& line, int& argc, char** argv);

} // namespace CaptureClient

} // namespace corvane
