// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/ScreenCapturer.h"
#include "capture/CaptureSourceFactory.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace corvane::ScreenCapturer {
namespace {

std::unique_ptr<CaptureSource>& currentSource()
{
    static std::unique_ptr<CaptureSource> source;
    return source;
}

// QRectF::contains counts the right and bottom edges in; a point on the seam between two monitors
// belongs to the one on its right or below.
bool holds(const QRectF& frame, QPointF point)
{
    return frame.left() <= point.x() && point.x() < frame.left() + frame.width() &&
           frame.top() <= point.y() && point.y() < frame.top() + frame.height();
}

} // namespace

CaptureSource& source()
{
    std::unique_ptr<CaptureSource>& current = currentSource();
    if (!current)
        current = makeCaptureSource();
    return *current;
}

void setSource(std::unique_ptr<CaptureSource> source)
{
    currentSource() = std::move(source);
}

void warmUp()
{
    source().warmUp();
}

Shots captureAllDisplays()
{
    CaptureSource& from = source();
    if (!from.available())
        return ScreenCaptureError::noPermission;
    std::vector<DisplayShot> shots;
    for (QScreen* screen : QGuiApplication::screens()) {
        QImage image = from.grab(*screen);
        if (image.isNull())
            continue; // one monitor that cannot be read does not spoil the others
        shots.push_back({screen->name(), std::move(image), QRectF(screen->geometry()),
                         screen->devicePixelRatio(), screen});
    }
    if (shots.empty())
        return ScreenCaptureError::noDisplays;
    return shots;
}

Shot captureDisplay(QPointF containing)
{
    Shots all = captureAllDisplays();
    if (const auto* error = std::get_if<ScreenCaptureError>(&all))
        return *error;
    return shotContaining(std::get<std::vector<DisplayShot>>(all), containing);
}

const DisplayShot& shotContaining(const std::vector<DisplayShot>& shots, QPointF point)
{
    Q_ASSERT(!shots.empty());
    for (const DisplayShot& shot : shots)
        if (holds(shot.frame, point))
            return shot;
    return shots.front();
}

void presentPermissionAlert(QWidget* parent)
{
    QMessageBox alert(QMessageBox::Warning, QStringLiteral("Screen Recording Permission Required"),
                      QStringLiteral("Screen Recording Permission Required"), QMessageBox::Ok, parent);
    alert.setInformativeText(QStringLiteral("Corvane can't capture the screen yet.") +
                             QStringLiteral("\n\n") + source().refusalExplanation());
    alert.setWindowModality(Qt::ApplicationModal);
    alert.exec();
}

} // namespace corvane::ScreenCapturer
