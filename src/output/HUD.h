// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

class QWidget;

namespace corvane::HUD {

// Floats a one-line message in a small dark panel whose bottom edge sits 24 pixels above the anchor
// (global logical coordinates; the mouse pointer when none is given), horizontally centred on it, or
// 24 below it where above would leave the top of the monitor; always wholly on the monitor.
// It takes no focus and lets clicks through, stays 1.6 s, fades out over 0.35 s and deletes itself.
// A newer toast replaces an older one at once. Main thread only.
void show(const QString& message, std::optional<QPoint> anchor = std::nullopt);

// A failure is told even when toasts are switched off: nothing else would say that a save went wrong.
void showFailure(const QString& message, std::optional<QPoint> anchor = std::nullopt);

// Toasts switched off in the settings: show() then does nothing. Set by the application only.
void setQuiet(bool off);
bool isQuiet();
// Where a toast of `panel` size goes for `anchor` on `monitor` (both global logical coordinates; an
// empty monitor leaves it unclamped).
QRect placement(const QSize& panel, const QPoint& anchor, const QRect& monitor);

// The toast on screen, or nullptr once it has gone (faded, replaced or the application quit).
QWidget* currentToast();

} // namespace corvane::HUD
