// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/DisplayShot.h"

namespace corvane {

QString errorDescription(ScreenCaptureError error)
{
    switch (error) {
    case ScreenCaptureError::noPermission:
        return QStringLiteral("Corvane needs Screen Recording permission to capture the screen.");
    case ScreenCaptureError::noDisplays:
        return QStringLiteral("No displays were available to capture.");
    }
    return {};
}

} // namespace corvane
