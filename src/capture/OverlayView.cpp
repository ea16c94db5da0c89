// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/OverlayView.h"

#include "capture/OverlayGeometry.h"
#include "capture/WindowPicker.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPaintEngine>
#include <QWindow>
#include <cmath>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

namespace corvane {

namespace {

const QColor dimming = QColor::fromRgbF(0, 0, 0, 0.45f);
// What blending `dimming` over an opaque pixel leaves of each channel, out of 255.
constexpr std::uint32_t kKept = 140;

// Each channel times 140/255, rounded the way Qt's raster blend rounds it, so that both ways of
// painting the dimmed picture give the same pixels. Byte-wise so that GCC vectorizes it.
void dimRow(const std::uint32_t* __restrict from, std::uint32_t* __restrict to, int count)
{
    const auto* in = reinterpret_cast<const std::uint8_t*>(from);
    auto* out = reinterpret_cast<std::uint8_t*>(to);
    const int bytes = count * 4;
    for (int i = 0; i < bytes; ++i) {
        const std::uint32_t t = in[i] * kKept;
        out[i] = std::uint8_t((t + (t >> 8) + 0x80) >> 8);
    }
    for (int i = 0; i < count; ++i)
        to[i] |= 0xff000000u;
}

QFont mediumFont(int pixelSize)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(QFont::Medium);
    font.setPixelSize(pixelSize);
    return font;
}

QSizeF textSize(const QFont& font, const QString& text)
{
    const QFontMetricsF metrics(font);
    return {metrics.horizontalAdvance(text), metrics.height()};
}

QRect outward(const QRectF& r, int margin)
{
    return r.toAlignedRect().adjusted(-margin, -margin, margin, margin);
}

struct TextBox {
    QRectF rect;
    double radius;
    float opacity; // of the black behind the text
    QMarginsF margins;
};

// White text on a rounded, translucent black box: the hint and the size label.
void drawTextBox(QPainter& painter, const TextBox& box, const QFont& font, const QString& text)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, box.opacity));
    painter.drawRoundedRect(box.rect, box.radius, box.radius);
    painter.setPen(Qt::white);
    painter.setFont(font);
    painter.drawText(box.rect.marginsRemoved(box.margins), Qt::AlignLeft | Qt::AlignTop, text);
}

} // namespace

const QString OverlayView::hintText = QStringLiteral("Drag to select an area   ·   Esc to cancel");
const QString OverlayView::regionHintText =
    QStringLiteral("Drag to select an area   ·   Tab to pick a window   ·   Esc to cancel");
const QString OverlayView::windowHintText =
    QStringLiteral("Click a window   ·   Tab to drag an area   ·   Esc to cancel");

OverlayView::OverlayView(DisplayShot shot, QWidget* parent)
    : QWidget(parent)
    , m_shot(std::move(shot))
    , m_backdrop(m_shot.image.convertToFormat(QImage::Format_RGB32))
    , m_hintFont(mediumFont(15))
    // The label's numbers change on every drag event; digits of one width keep it from jittering.
    // The desktop's sans-serif faces (DejaVu Sans, Noto Sans, Cantarell) have tabular digits.
    , m_labelFont(mediumFont(12))
{
    resize(m_shot.frame.size().toSize());
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The window is not yet at its monitor's place, so mapFromGlobal() would measure from the origin of
    // the desktop and put the first crosshair off every monitor but the first.
    mouse = QPointF(QCursor::pos()) - m_shot.frame.topLeft();
}

void OverlayView::reset(DisplayShot shot)
{
    m_shot = std::move(shot);
    m_backdrop = m_shot.image.convertToFormat(QImage::Format_RGB32);
    if (!m_shot.frame.isEmpty())
        resize(m_shot.frame.size().toSize());
    anchor.reset();
    current.reset();
    hasMoved = false;
    mouse = mapFromGlobal(QCursor::pos()).toPointF();
    // A hidden view is painted whole when it is shown; asking now would paint the 4K frame twice.
    if (isVisible())
        update();
}

QRectF OverlayView::selection() const
{
    if (isSelecting())
        return OverlayGeometry::selection(*anchor, *current);
    return m_windowMode && m_hovered ? *m_hovered : QRectF();
}

const QString& OverlayView::hint() const
{
    if (!m_windowsOffered)
        return hintText;
    return m_windowMode ? windowHintText : regionHintText;
}

void OverlayView::setWindows(std::vector<QRectF> windowsTopFirst)
{
    m_windows = std::move(windowsTopFirst);
    m_windowsOffered = true;
    update();
}

void OverlayView::setWindowMode(bool on)
{
    if (!m_windowsOffered || isSelecting())
        return;
    m_windowMode = on;
    m_hovered = on ? WindowPicker::windowAt(m_windows, mouse) : std::nullopt;
    update();
}

void OverlayView::hoverWindow(QPointF point)
{
    const QRegion before = m_hovered ? selectionChrome() : crosshairRegion();
    mouse = point;
    const std::optional<QRectF> next = WindowPicker::windowAt(m_windows, point);
    if (next == m_hovered) {
        if (!m_hovered)
            update(before + crosshairRegion());
        return;
    }
    // The undimmed area moves as a whole: everything it covered and covers now, with the chrome.
    const QRegion insideBefore(selection().toAlignedRect());
    m_hovered = next;
    const QRegion after = m_hovered ? selectionChrome() : crosshairRegion();
    update(before + after + insideBefore.xored(QRegion(selection().toAlignedRect())));
}

bool OverlayView::focusNextPrevChild(bool)
{
    return false;
}

QRectF OverlayView::sizeLabelBox() const
{
    const QRectF r = selection();
    return OverlayGeometry::sizeLabelBox(
        r, textSize(m_labelFont, OverlayGeometry::sizeLabelText(r, m_shot.scale)), size());
}

QRectF OverlayView::hintPill() const
{
    return OverlayGeometry::hintPill(textSize(m_hintFont, hint()), size());
}

void OverlayView::focusInEvent(QFocusEvent*) {}

void OverlayView::focusOutEvent(QFocusEvent*) {}

void OverlayView::paintEvent(QPaintEvent* event)
{
    const bool selecting = isSelecting() || (m_windowMode && m_hovered);
    const bool whole = event->region() == QRegion(rect());
    const IdleFrame frame{m_backdrop.cacheKey(), size(), mouse, &hint()};
    if (!selecting && whole && m_idleFrame == frame)
        return;
    m_idleFrame.reset();
    QPainter painter(this);
    painter.setClipRegion(event->region());
    if (selecting) {
        paintSelecting(painter, event->region());
        return;
    }
    paintIdle(painter, event->region());
    if (whole)
        m_idleFrame = frame;
}

void OverlayView::paintSelecting(QPainter& painter, const QRegion& region)
{
    const QRectF bounds = rect();
    const QRectF r = selection();
    // Dimmed everywhere, then the picture itself again inside the selection: only the clip region (the
    // band that changed) is drawn, so a drag frame blends a few rows, not the whole monitor.
    paintDimmed(painter, region);
    painter.save();
    painter.setClipRect(r, Qt::IntersectClip);
    painter.drawImage(bounds, m_backdrop);
    painter.restore();

    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r.adjusted(-0.5, -0.5, 0.5, 0.5));

    drawTextBox(painter, {sizeLabelBox(), 5, 0.75f, QMarginsF(6, 4, 6, 4)}, m_labelFont,
                OverlayGeometry::sizeLabelText(r, m_shot.scale));
    // In window mode the pointer is nearly always over a window: the hint stays so Tab is not forgotten.
    if (m_windowMode)
        drawTextBox(painter, {hintPill(), 9, 0.65f, QMarginsF(14, 8, 14, 8)}, m_hintFont, hint());
}

void OverlayView::paintDimmed(QPainter& painter, const QRegion& region)
{
    // Dimmed while painting rather than kept as a dimmed copy: the first frame does not wait for a
    // full-screen copy to be made, and the overlay holds one picture per monitor instead of two.
    if (dimInto(painter, region))
        return;
    painter.drawImage(QRectF(rect()), m_backdrop);
    painter.fillRect(rect(), dimming);
}

bool OverlayView::dimInto(QPainter& painter, const QRegion& region) const
{
    // Drawing the picture and then blending black over it walks the whole 4K frame twice on the first
    // paint; writing the dimmed pixels straight into the backing store walks it once. Only where the
    // picture lands pixel for pixel on a plain 32-bit image; anything else (a fractional scale, a
    // pixmap, a printer) takes the painter's way, which gives the same pixels.
    QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image || m_backdrop.format() != QImage::Format_RGB32)
        return false;
    auto* target = static_cast<QImage*>(device);
    if (!target->isDetached() || (target->format() != QImage::Format_RGB32 &&
                                  target->format() != QImage::Format_ARGB32_Premultiplied))
        return false;
    const QTransform transform = painter.deviceTransform();
    const double ratio = transform.m11();
    if (transform.type() > QTransform::TxScale || transform.m22() != ratio || ratio != std::floor(ratio) ||
        ratio < 1 || transform.dx() != std::floor(transform.dx()) || transform.dy() != std::floor(transform.dy()))
        return false;
    const int scale = int(ratio);
    if (m_backdrop.size() != size() * scale)
        return false;
    const QPoint offset(int(transform.dx()), int(transform.dy()));
    const QRect targetBounds = target->rect().translated(-offset) & m_backdrop.rect();
    uchar* targetBits = target->bits();
    const qsizetype targetStride = target->bytesPerLine();
    std::vector<QRect> bands;
    qint64 count = 0;
    for (const QRect& logical : region) {
        const QRect pixels = QRect(logical.topLeft() * scale, logical.size() * scale) & targetBounds;
        if (!pixels.isEmpty()) {
            bands.push_back(pixels);
            count += qint64(pixels.width()) * pixels.height();
        }
    }
    // Rows [first, end) of every band, from `half` 0 (the upper halves) or 1 (the lower ones) or both.
    const auto dim = [&](int half, int halves) {
        for (const QRect& pixels : bands) {
            const int first = pixels.top() + pixels.height() * half / halves;
            const int end = pixels.top() + pixels.height() * (half + 1) / halves;
            for (int y = first; y < end; ++y) {
                const auto* from =
                    reinterpret_cast<const std::uint32_t*>(m_backdrop.constScanLine(y)) + pixels.left();
                auto* to = reinterpret_cast<std::uint32_t*>(targetBits + targetStride * (y + offset.y())) +
                           pixels.left() + offset.x();
                dimRow(from, to, pixels.width());
            }
        }
    };
    // A whole 4K frame is 33 MB read and 33 MB written while the user waits for the first frame; the
    // other core, idle at that moment, takes the lower half. Small bands (a drag frame) stay here.
    if (count >= (1 << 20)) {
        try {
            std::thread lower(dim, 1, 2);
            dim(0, 2);
            lower.join();
            return true;
        } catch (const std::system_error&) {
            // No thread to be had: all of it on this one.
        }
    }
    dim(0, 1);
    return true;
}

void OverlayView::paintIdle(QPainter& painter, const QRegion& region)
{
    paintDimmed(painter, region);

    // Only the monitor under the pointer shows it: the same logical height on a monitor of another
    // scale, or placed lower, is somewhere else altogether.
    if (!QRectF(rect()).contains(mouse)) {
        drawTextBox(painter, {hintPill(), 9, 0.65f, QMarginsF(14, 8, 14, 8)}, m_hintFont, hintText);
        return;
    }
    QPainterPath crosshair;
    crosshair.moveTo(mouse.x() + 0.5, 0);
    crosshair.lineTo(mouse.x() + 0.5, height());
    crosshair.moveTo(0, mouse.y() + 0.5);
    crosshair.lineTo(width(), mouse.y() + 0.5);
    painter.strokePath(crosshair, QPen(QColor::fromRgbF(1, 1, 1, 0.55f), 1));

    drawTextBox(painter, {hintPill(), 9, 0.65f, QMarginsF(14, 8, 14, 8)}, m_hintFont, hint());
}

QRegion OverlayView::selectionChrome() const
{
    const QRectF r = selection();
    return QRegion(outward(r, 2)).subtracted(QRegion(outward(r, -2))) + QRegion(outward(sizeLabelBox(), 1));
}

QRegion OverlayView::crosshairRegion() const
{
    const QPoint at = mouse.toPoint();
    return QRegion(at.x() - 1, 0, 3, height()) + QRegion(0, at.y() - 1, width(), 3) +
           QRegion(outward(hintPill(), 1));
}

void OverlayView::moveTo(QPointF point)
{
    // Only the band between the old and the new selection changes dimming; the outlines and labels
    // are repainted where they were and where they go.
    const QRegion insideBefore(selection().toAlignedRect());
    const QRegion chromeBefore = selectionChrome();
    current = point;
    hasMoved = true;
    update(insideBefore.xored(QRegion(selection().toAlignedRect())) + chromeBefore + selectionChrome());
}

void OverlayView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons().testFlag(Qt::LeftButton) && anchor) {
        moveTo(exactPosition(event));
        return;
    }
    if (isSelecting())
        return;
    if (m_windowMode) {
        hoverWindow(event->position());
        return;
    }
    const QRegion before = crosshairRegion();
    mouse = exactPosition(event);
    update(before + crosshairRegion());
}

void OverlayView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        if (onCancel)
            onCancel();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    // Keys go to the monitor the user works on.
    grabKeyboard();
    if (m_windowMode)
        return; // the window is taken on release, as a click
    anchor = exactPosition(event);
    current = anchor;
    hasMoved = false;
    update();
}

void OverlayView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_windowMode) {
        // Over the bare desktop a click takes nothing and the overlay stays.
        m_hovered = WindowPicker::windowAt(m_windows, exactPosition(event));
        if (m_hovered && onSelect)
            onSelect(*m_hovered);
        return;
    }
    current = exactPosition(event);
    if (hasMoved && anchor) {
        const QRectF r = selection();
        if (r.width() >= OverlayGeometry::minimumSelection &&
            r.height() >= OverlayGeometry::minimumSelection) {
            if (onSelect)
                onSelect(r);
            return;
        }
    }
    // A click without a drag, or a sliver, abandons the capture.
    if (onCancel)
        onCancel();
}

void OverlayView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        if (onSelect)
            onSelect(QRectF(rect()));
        return;
    case Qt::Key_Escape:
        if (onCancel)
            onCancel();
        return;
    case Qt::Key_Tab:
        // Where windows cannot be picked (Wayland) Tab does nothing.
        if (!m_windowsOffered || isSelecting())
            return;
        if (onToggleWindowMode)
            onToggleWindowMode();
        else
            setWindowMode(!m_windowMode);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool OverlayView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        m_windowPointer = static_cast<QMouseEvent*>(event)->position();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

QPointF OverlayView::exactPosition(const QMouseEvent* event) const
{
    // The event the window got is the same one, before rounding, unless this one came another way.
    const QPointF exact = m_windowPointer - QPointF(mapTo(window(), QPoint(0, 0)));
    const QPointF lost = exact - event->position();
    return std::abs(lost.x()) <= 0.5 && std::abs(lost.y()) <= 0.5 ? exact : event->position();
}

void OverlayView::showEvent(QShowEvent* event)
{
    // Qt hands a widget its mouse position rounded to whole logical pixels, which on a ratio-2 monitor
    // is every other device pixel: a selection could never start or end on an odd one. The window's
    // own events still carry the fraction.
    if (QWindow* handle = window()->windowHandle())
        handle->installEventFilter(this);
    QWidget::showEvent(event);
}

void OverlayView::leaveEvent(QEvent* event)
{
    // The pointer went to another monitor: its crosshair goes with it.
    if (!isSelecting()) {
        const QRegion before = crosshairRegion();
        mouse = mapFromGlobal(QCursor::pos().toPointF());
        update(before);
    }
    QWidget::leaveEvent(event);
}

void OverlayView::enterEvent(QEnterEvent* event)
{
    // Space takes the monitor under the pointer, so the keyboard follows the pointer between monitors.
    if (!isSelecting())
        grabKeyboard();
    QWidget::enterEvent(event);
}

} // namespace corvane
