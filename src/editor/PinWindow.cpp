// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/PinWindow.h"

#include "editor/EditorWindowController.h"
#include "output/HUD.h"
#include "output/ImageOutput.h"

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

constexpr double zoomStep = 1.25;
constexpr double opacityStep = 0.1;
constexpr int wheelStep = 120; // eighths of a degree in one notch

std::vector<PinWindow*>& registry()
{
    static std::vector<PinWindow*> pins;
    return pins;
}

} // namespace

double pinZoomAfter(double zoom, int steps)
{
    return std::clamp(zoom * std::pow(zoomStep, steps), PinWindow::minimumZoom, PinWindow::maximumZoom);
}

double pinOpacityAfter(double opacity, int steps)
{
    // Whole tenths, so that ten steps down and ten up come back to exactly 100 %.
    const double tenths = std::round(opacity * 10) + steps;
    return std::clamp(tenths / 10, PinWindow::minimumOpacity, 1.0);
}

QRectF pinZoomedAround(const QRectF& picture, QPointF pointer, double oldZoom, double newZoom)
{
    const double ratio = newZoom / oldZoom;
    const QPointF topLeft = pointer - (pointer - picture.topLeft()) * ratio;
    return {topLeft, picture.size() * ratio};
}

PinWindow* PinWindow::pin(const QImage& image, double scale, const QRectF& globalRect)
{
    if (image.isNull())
        return nullptr;
    auto* pin = new PinWindow(image, scale);
    registry().push_back(pin);
    pin->showPicture(QRectF(globalRect.topLeft(), QSizeF(image.size()) / pin->m_scale));
    pin->show();
    pin->raise();
    pin->activateWindow();
    return pin;
}

const std::vector<PinWindow*>& PinWindow::openPins()
{
    return registry();
}

PinWindow::PinWindow(const QImage& image, double scale)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_image(image)
    , m_scale(std::max(scale, 1.0))
    , m_dialogs(SaveDialogs::standard())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle(QStringLiteral("Corvane Pin"));
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::OpenHandCursor);
}

PinWindow::~PinWindow()
{
    std::erase(registry(), this);
}

QRectF PinWindow::pictureGeometry() const
{
    return {m_origin, QSizeF(m_image.size()) / m_scale * m_zoom};
}

void PinWindow::showPicture(const QRectF& picture)
{
    // Whole logical pixels: on any monitor the picture then starts on a device pixel.
    m_origin = QPointF(std::round(picture.left()), std::round(picture.top()));
    // The window is whole logical pixels; the picture keeps its exact size inside it.
    const QPoint topLeft(int(m_origin.x()) - border, int(m_origin.y()) - border);
    const QPoint bottomRight(int(std::ceil(m_origin.x() + picture.width())) + border,
                             int(std::ceil(m_origin.y() + picture.height())) + border);
    setGeometry(QRect(topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y())));
}

void PinWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The window stands `border` outside the picture on every side. Its geometry() is no measure of that:
    // dragged onto a monitor of another ratio it lags a step behind (read back from the server with the
    // old ratio), and a paint then would put the picture off the window until something repainted it.
    const QRectF target(QPointF(border, border), pictureGeometry().size());
    // Dark outside and light inside: the edge reads on light and dark desktops alike.
    painter.fillRect(rect(), QColor(0x40, 0x40, 0x40));
    painter.fillRect(target.adjusted(-1, -1, 1, 1), QColor(0xE0, 0xE0, 0xE0));
    // Enlarged pixels stay crisp; a picture shown smaller than its pixels is filtered.
    const double devicePixelsPerImagePixel = devicePixelRatioF() * m_zoom / m_scale;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, devicePixelsPerImagePixel < 1);
    painter.drawImage(target, m_image);
}

void PinWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // A Wayland client cannot place its windows: the compositor moves it.
    if (QGuiApplication::platformName() == QLatin1String("wayland") && windowHandle() &&
        windowHandle()->startSystemMove())
        return;
    m_dragging = true;
    m_dragOffset = event->globalPosition() - m_origin;
    setCursor(Qt::ClosedHandCursor);
}

void PinWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    showPicture(QRectF(event->globalPosition() - m_dragOffset, pictureGeometry().size()));
}

void PinWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        setCursor(Qt::OpenHandCursor);
    }
}

void PinWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        openInEditor();
}

void PinWindow::wheelEvent(QWheelEvent* event)
{
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / wheelStep;
    m_wheelRemainder -= steps * wheelStep;
    event->accept();
    if (steps == 0)
        return;
    if (event->modifiers().testFlag(Qt::ControlModifier)) {
        setWindowOpacity(pinOpacityAfter(windowOpacity(), steps));
        return;
    }
    const double zoom = pinZoomAfter(m_zoom, steps);
    if (zoom == m_zoom)
        return;
    const QRectF picture = pinZoomedAround(pictureGeometry(), event->globalPosition(), m_zoom, zoom);
    m_zoom = zoom;
    showPicture(picture);
    update();
}

void PinWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PinWindow::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("Copy"), this, &PinWindow::copyImage);
    menu.addAction(QStringLiteral("Save As…"), this, &PinWindow::saveImageAs);
    menu.addAction(QStringLiteral("Open in Editor"), this, &PinWindow::openInEditor);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Close"), this, &QWidget::close);
    menu.exec(event->globalPos());
}

void PinWindow::copyImage()
{
    ImageOutput::copyToClipboard(m_image, m_scale);
    HUD::show(QStringLiteral("Copied to clipboard"));
}

void PinWindow::saveImageAs()
{
    const QString path = m_dialogs.saveFileName(this, ImageOutput::defaultFileName() + QStringLiteral(".png"));
    if (path.isEmpty())
        return;
    if (saveAsReportingErrors(path, m_image, m_scale, m_dialogs, this))
        HUD::show(QStringLiteral("Saved %1").arg(QFileInfo(path).fileName()));
}

void PinWindow::openInEditor()
{
    EditorWindowController::open(m_image, m_scale, std::nullopt, QString(), screen());
}

} // namespace corvane
