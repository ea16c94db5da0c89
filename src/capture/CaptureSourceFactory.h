// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "seams/CaptureSource.h"

#include <QString>
#include <memory>

namespace corvane {

enum class DisplaySession;
enum class CaptureSourceKind { x11, screencopy, portal, files, unsupported };

// CORVANE_CAPTURE_SOURCE chooses for tests ("files:/folder" serves pictures, "screencopy", "portal",
// "x11"); otherwise the session does: the X server under X11; under Wayland the compositor's screencopy
// protocol where it offers it (wlroots desktops), the screenshot portal elsewhere; under neither a
// source that is never available.
CaptureSourceKind captureSourceKind(const QString& override, DisplaySession session, bool screencopyOffered);

// The source for this process, made from captureSourceKind.
std::unique_ptr<CaptureSource> makeCaptureSource();

} // namespace corvane
