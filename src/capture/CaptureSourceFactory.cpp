// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureSource.h"
#include "capture/FileCaptureSource.h"
#include "platform/x11/X11CaptureSource.h"

#include <QGuiApplication>

namespace corvane {
namespace {

// A display server without a capture backend yet (Wayland before the portal): every capture is refused,
// and the alert says why.
class UnsupportedCaptureSource final : public CaptureSource {
public:
    bool available() override { return false; }
    QImage grab(const QScreen&) override { return {}; }
    QString refusalExplanation() const override
    {
        return QStringLiteral("Screen capture is not supported on this display server yet.");
    }
};

} // namespace

std::unique_ptr<CaptureSource> makeCaptureSource()
{
    const QString override = qEnvironmentVariable("CORVANE_CAPTURE_SOURCE");
    const QString filesPrefix = QStringLiteral("files:");
    if (override.startsWith(filesPrefix))
        return std::make_unique<FileCaptureSource>(override.mid(filesPrefix.size()));
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        return std::make_unique<x11::X11CaptureSource>();
    return std::make_unique<UnsupportedCaptureSource>();
}

} // namespace corvane
