// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "selfcheck/SampleImage.h"

#include <QLinearGradient>
#include <QPainter>
#include <cmath>
#include <limits>
#include <numbers>

namespace corvane::SampleImage {

namespace {

constexpr double cornerRadius = 14;
// No screen needs a picture of 2 GiB; refusing such a size up front keeps a bogus one from reserving
// that much memory only to paint a gradient into it.
constexpr qint64 largestByteCount = std::numeric_limits<qint32>::max();
constexpr double gradientDegrees = 60; // below the x axis on screen: towards the bottom-right

struct Panel {
    QColor color;
    double x, y, width, height; // fractions of the picture, measured from its bottom-left corner
};

// The panels' places are kept as they were first drawn, from the bottom-left corner; each is turned
// upside down on painting so that the light panel stays in the upper left.
const Panel panels[] = {
    {QColor::fromRgbF(0.97f, 0.97f, 0.97f, 0.95f), 0.08, 0.45, 0.40, 0.40},
    {QColor::fromRgbF(0.15f, 0.15f, 0.15f, 0.95f), 0.52, 0.30, 0.38, 0.45},
    {QColor::fromRgbF(0.20f, 0.55f, 0.85f, 0.95f), 0.20, 0.10, 0.45, 0.25},
};

// The first colour on the line through the top-left corner and the last on the line through the
// bottom-right corner, both perpendicular to the gradient's direction, so the whole range is visible.
QLinearGradient backgroundGradient(double width, double height)
{
    const double radians = gradientDegrees * std::numbers::pi / 180;
    const QPointF direction(std::cos(radians), std::sin(radians));
    const double length = width * direction.x() + height * direction.y();
    QLinearGradient gradient(QPointF(0, 0), direction * length);
    gradient.setColorAt(0, QColor::fromRgbF(0.11f, 0.16f, 0.28f));
    gradient.setColorAt(1, QColor::fromRgbF(0.30f, 0.24f, 0.42f));
    return gradient;
}

} // namespace

std::optional<QImage> make(int width, int height)
{
    if (width <= 0 || height <= 0 || qint64(width) * height * 4 > largestByteCount)
        return std::nullopt;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::nullopt;
    const double w = width;
    const double h = height;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(QRectF(0, 0, w, h), backgroundGradient(w, h));
    painter.setPen(Qt::NoPen);
    for (const Panel& panel : panels) {
        const QRectF rect(panel.x * w, h - (panel.y + panel.height) * h, panel.width * w, panel.height * h);
        painter.setBrush(panel.color);
        painter.drawRoundedRect(rect, cornerRadius, cornerRadius);
    }
    painter.end();
    return image;
}

} // namespace corvane::SampleImage
