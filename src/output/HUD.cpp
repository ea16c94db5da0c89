// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/HUD.h"

#include "platform/x11/X11Compositor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace corvane::HUD {
namespace {

constexpr int kHorizontalMargin = 16;
constexpr int kVerticalMargin = 8;
constexpr int kGapAboveAnchor = 24;
constexpr int kCornerRadius = 10;
constexpr int kFontPixelSize = 13;
constexpr int kHoldMilliseconds = 1600;
constexpr int kFadeMilliseconds = 350;
const QColor kPanelColour(30, 30, 30, 217);

// A QPointer, so that a toast deleted by anyone (a newer toast, the application quitting) is
// never reported as current.
QPointer<QWidget>& current()
{
    static QPointer<QWidget> toast;
    return toast;
}

QFont toastFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(QFont::Medium);
    font.setPixelSize(kFontPixelSize);
    return font;
}

QPainterPath panelPath(const QSize& size)
{
    QPainterPath panel;
    panel.addRoundedRect(QRectF(QPointF(0, 0), size), kCornerRadius, kCornerRadius);
    return panel;
}

class Toast final : public QWidget {
public:
    Toast(const QString& message, const QPoint& anchor)
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus)
        , m_message(message)
        , m_font(toastFont())
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        // The toast is drawn text only; its title and accessible name carry the message to whatever reads
        // windows rather than pixels (screen readers, window lists, scripts driving the program).
        setWindowTitle(message);
        setAccessibleName(message);

        const QFontMetrics metrics(m_font);
        const QSize panel(metrics.horizontalAdvance(m_message) + 2 * kHorizontalMargin,
                          metrics.height() + 2 * kVerticalMargin);
        m_baseline = kVerticalMargin + metrics.ascent();
        // Without an explicit screen a window lands on the primary one and takes its scale.
        QScreen* screen = QGuiApplication::screenAt(anchor);
        if (screen)
            setScreen(screen);
        else
            screen = QGuiApplication::primaryScreen();
        setGeometry(placement(panel, anchor, screen ? screen->geometry() : QRect()));
        // Without a compositor the clear corners would show black: the window itself is cut round.
        if (!x11::compositorRunning())
            setMask(QRegion(panelPath(panel).toFillPolygon().toPolygon()));

        // Both belong to the toast, so a toast removed early takes its pending fade with it.
        m_hold = new QTimer(this);
        m_hold->setSingleShot(true);
        m_hold->setInterval(kHoldMilliseconds);
        m_fade = new QPropertyAnimation(this, "windowOpacity", this);
        m_fade->setDuration(kFadeMilliseconds);
        m_fade->setStartValue(1.0);
        m_fade->setEndValue(0.0);
        connect(m_hold, &QTimer::timeout, m_fade, [this] { m_fade->start(); });
        connect(m_fade, &QPropertyAnimation::finished, this, [this] { finish(); });
        // Widgets still alive when QApplication goes are left half torn down; take the toast away while
        // the application is still whole.
        connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { delete this; });
    }

    void present()
    {
        setWindowOpacity(1.0);
        QWidget::show();
        m_hold->start();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPainterPath panel = panelPath(size());
        painter.fillPath(panel, kPanelColour);
        painter.setClipPath(panel);
        painter.setFont(m_font);
        painter.setPen(Qt::white);
        // A baseline point rather than a box, so nothing is ever wrapped, elided or clipped to the box.
        painter.drawText(QPoint(kHorizontalMargin, m_baseline), m_message);
    }

private:
    void finish()
    {
        hide();
        if (current() == this)
            current() = nullptr;
        // Deferred: this runs inside the signal of the animation that the toast owns.
        deleteLater();
    }

    QString m_message;
    QFont m_font;
    int m_baseline = 0;
    QTimer* m_hold = nullptr;
    QPropertyAnimation* m_fade = nullptr;
};

bool& quiet()
{
    static bool off = false;
    return off;
}

void present(const QString& message, std::optional<QPoint> anchor)
{
    delete current().data();
    auto* toast = new Toast(message, anchor.value_or(QCursor::pos()));
    current() = toast;
    toast->present();
}

} // namespace

QRect placement(const QSize& panel, const QPoint& anchor, const QRect& monitor)
{
    QRect placed(QPoint(anchor.x() - panel.width() / 2, anchor.y() - kGapAboveAnchor - panel.height()), panel);
    if (monitor.isEmpty())
        return placed;
    if (placed.top() < monitor.top())
        placed.moveTop(anchor.y() + kGapAboveAnchor);
    placed.moveLeft(std::clamp(placed.left(), monitor.left(), std::max(monitor.left(), monitor.right() + 1 - panel.width())));
    placed.moveTop(std::clamp(placed.top(), monitor.top(), std::max(monitor.top(), monitor.bottom() + 1 - panel.height())));
    return placed;
}

void show(const QString& message, std::optional<QPoint> anchor)
{
    if (!quiet())
        present(message, anchor);
}

void showFailure(const QString& message, std::optional<QPoint> anchor)
{
    present(message, anchor);
}

void setQuiet(bool off)
{
    quiet() = off;
}

bool isQuiet()
{
    return quiet();
}

QWidget* currentToast()
{
    return current().data();
}

} // namespace corvane::HUD
