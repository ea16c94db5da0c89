// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QScreen>
#include <QString>

namespace corvane {

// One frozen monitor. `frame` is the monitor's rectangle in Qt's global logical coordinates (top-left
// origin, y down); `image` is the monitor at its full device-pixel size, row 0 at the top.
struct DisplayShot {
    QString displayID; // the monitor's name (RandR monitor / QScreen::name())
    QImage image;
    QRectF frame;
    double scale = 1; // device pixels per logical pixel
    QPointer<QScreen> screen;
};

enum class ScreenCaptureError { noPermission, noDisplays };

QString errorDescription(ScreenCaptureError error);

} // namespace corvane
