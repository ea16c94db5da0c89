// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureSourceFactory.h"
#include "capture/DisplaySession.h"
#include "capture/FileCaptureSource.h"
#include "platform/wayland/PortalCaptureSource.h"
#include "platform/wayland/ScreencopyCaptureSource.h"
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

CaptureSourceKind captureSourceKind(const QString& override, DisplaySession session, bool screencopyOffered)
{
    if (override.startsWith(QLatin1String("files:")))
        return CaptureSourceKind::files;
    if (override == QLatin1String("portal"))
        return CaptureSourceKind::portal;
    if (override == QLatin1String("x11"))
        return CaptureSourceKind::x11;
    if (override == QLatin1String("screencopy"))
        return CaptureSourceKind::screencopy;
    switch (session) {
    case DisplaySession::x11:
        return CaptureSourceKind::x11;
    case DisplaySession::wayland:
        // The wlroots portal scales every output to the highest scale; screencopy keeps the exact pixels.
        return screencopyOffered ? CaptureSourceKind::screencopy : CaptureSourceKind::portal;
    case DisplaySession::none:
        return CaptureSourceKind::unsupported;
    }
    return CaptureSourceKind::unsupported;
}

std::unique_ptr<CaptureSource> makeCaptureSource()
{
    const QString override = qEnvironmentVariable("CORVANE_CAPTURE_SOURCE");
    const DisplaySession session = displaySession();
    // Only where the portal would otherwise be taken, and not by request, is the compositor asked.
    const bool askCompositor = captureSourceKind(override, session, false) == CaptureSourceKind::portal &&
                               override != QLatin1String("portal");
    switch (captureSourceKind(override, session,
                              askCompositor && wayland::ScreencopyCaptureSource::offered())) {
    case CaptureSourceKind::files:
        return std::make_unique<FileCaptureSource>(override.mid(int(qstrlen("files:"))));
    case CaptureSourceKind::portal:
        return std::make_unique<wayland::PortalCaptureSource>();
    case CaptureSourceKind::screencopy:
        return std::make_unique<wayland::ScreencopyCaptureSource>();
    case CaptureSourceKind::x11:
        return std::make_unique<x11::X11CaptureSource>();
    case CaptureSourceKind::unsupported:
        return std::make_unique<UnsupportedCaptureSource>();
    }
    return std::make_unique<UnsupportedCaptureSource>();
}

} // namespace corvane
