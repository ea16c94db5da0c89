// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureSource.h"
#include "capture/DisplaySession.h"
#include "capture/FileCaptureSource.h"
#include "platform/wayland/PortalCaptureSource.h"
#include "platform/x11/X11CaptureSource.h"

namespace corvane {
namespace {

// A session with no display server to read (the offscreen platform): every capture is refused, and the
// alert says why.
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

CaptureSourceKind captureSourceKind(const QString& override, DisplaySession session)
{
    if (override.startsWith(QLatin1String("files:")))
        return CaptureSourceKind::files;
    if (override == QLatin1String("portal"))
        return CaptureSourceKind::portal;
    if (override == QLatin1String("x11"))
        return CaptureSourceKind::x11;
    switch (session) {
    case DisplaySession::x11:
        return CaptureSourceKind::x11;
    case DisplaySession::wayland:
        return CaptureSourceKind::portal;
    case DisplaySession::none:
        return CaptureSourceKind::unsupported;
    }
    return CaptureSourceKind::unsupported;
}

std::unique_ptr<CaptureSource> makeCaptureSource()
{
    const QString override = qEnvironmentVariable("CORVANE_CAPTURE_SOURCE");
    switch (captureSourceKind(override, displaySession())) {
    case CaptureSourceKind::files:
        return std::make_unique<FileCaptureSource>(override.mid(int(qstrlen("files:"))));
    case CaptureSourceKind::portal:
        return std::make_unique<wayland::PortalCaptureSource>();
    case CaptureSourceKind::x11:
        return std::make_unique<x11::X11CaptureSource>();
    case CaptureSourceKind::unsupported:
        return std::make_unique<UnsupportedCaptureSource>();
    }
    return std::make_unique<UnsupportedCaptureSource>();
}

} // namespace corvane
