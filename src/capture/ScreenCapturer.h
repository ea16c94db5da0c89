// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "seams/CaptureSource.h"
#include "capture/DisplayShot.h"

#include <QPointF>
#include <variant>
#include <vector>

class QWidget;

namespace corvane::ScreenCapturer {

using Shots = std::variant<std::vector<DisplayShot>, ScreenCaptureError>;
using Shot = std::variant<DisplayShot, ScreenCaptureError>;

// The process's capture source, made on first use.
CaptureSource& source();
// Replaces it (tests).
void setSource(std::unique_ptr<CaptureSource> source);

void warmUp();
// One shot per screen in QGuiApplication::screens() order; a screen whose grab fails is left out.
// noPermission when the source is unavailable, noDisplays when nothing could be captured.
Shots captureAllDisplays();
// The shot whose frame holds the point (left/top edges inclusive, right/bottom exclusive), or the
// first shot when none does.
Shot captureDisplay(QPointF containing);
// The first shot whose frame holds the point by the half-open rule, or the first one.
const DisplayShot& shotContaining(const std::vector<DisplayShot>& shots, QPointF point);

// The modal alert shown when capturing fails.
void presentPermissionAlert(QWidget* parent = nullptr);

} // namespace corvane::ScreenCapturer
