// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureSourceFactory.h"
#include "capture/DisplaySession.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

struct SessionCase {
    const char* platform;
    const char* waylandDisplay;
    DisplaySession expected;
};

TEST(DisplaySessionTest, FromPlatformAndWaylandDisplay)
{
    const SessionCase cases[] = {
        {"xcb", "", DisplaySession::x11},
        {"xcb", "wayland-0", DisplaySession::wayland}, // an X11 client on XWayland
        {"wayland", "wayland-0", DisplaySession::wayland},
        {"wayland-egl", "wayland-1", DisplaySession::wayland},
        {"offscreen", "", DisplaySession::none},
        {"offscreen", "wayland-0", DisplaySession::none},
    };
    for (const SessionCase& c : cases)
        EXPECT_EQ(displaySessionOf(QString::fromLatin1(c.platform), QString::fromLatin1(c.waylandDisplay)),
                  c.expected)
            << c.platform << " / " << c.waylandDisplay;
}

struct SourceCase {
    const char* override;
    DisplaySession session;
    bool screencopyOffered;
    CaptureSourceKind expected;
};

TEST(CaptureSourceKindTest, OverrideFirstThenTheSession)
{
    const SourceCase cases[] = {
        {"", DisplaySession::x11, false, CaptureSourceKind::x11},
        {"", DisplaySession::wayland, false, CaptureSourceKind::portal},
        {"", DisplaySession::wayland, true, CaptureSourceKind::screencopy},
        {"", DisplaySession::none, false, CaptureSourceKind::unsupported},
        {"files:/tmp/shots", DisplaySession::wayland, true, CaptureSourceKind::files},
        {"portal", DisplaySession::x11, false, CaptureSourceKind::portal},
        {"portal", DisplaySession::wayland, true, CaptureSourceKind::portal},
        {"screencopy", DisplaySession::wayland, false, CaptureSourceKind::screencopy},
        {"x11", DisplaySession::wayland, true, CaptureSourceKind::x11},
        {"nonsense", DisplaySession::wayland, false, CaptureSourceKind::portal},
        {"nonsense", DisplaySession::wayland, true, CaptureSourceKind::screencopy},
    };
    for (const SourceCase& c : cases)
        EXPECT_EQ(captureSourceKind(QString::fromLatin1(c.override), c.session, c.screencopyOffered), c.expected)
            << c.override << " offered " << c.screencopyOffered;
}

} // namespace
} // namespace corvane
