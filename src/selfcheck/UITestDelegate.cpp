// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "selfcheck/UITestDelegate.h"

#include "capture/OverlayView.h"
#include "editor/EditorWindowController.h"
#include "selfcheck/SampleImage.h"
#include "settings/PreferencesDialog.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImageWriter>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <utility>

namespace corvane {

namespace {

constexpr int editorWidth = 1600;
constexpr int editorHeight = 1000;
constexpr int settleMilliseconds = 250;
constexpr int quitDelayMilliseconds = 200;

void report(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Layout, polishing and the first paint of a new window arrive as posted events; the snapshot must
// not be taken before they have run.
void settle(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

UITestDelegate::UITestDelegate(QString outputDirectory, QObject* parent)
    : QObject(parent)
    , m_outputDirectory(std::move(outputDirectory))
{}

void UITestDelegate::applicationDidFinishLaunching()
{
    // An existing directory is fine; one that cannot be made shows up as write failures below.
    QDir().mkpath(m_outputDirectory);
    renderEditor();
    renderOverlay();
    renderPreferences();
    QTimer::singleShot(quitDelayMilliseconds, qApp, &QCoreApplication::quit);
}

void UITestDelegate::renderEditor()
{
    const auto picture = SampleImage::make(editorWidth, editorHeight);
    if (!picture)
        return;
    EditorWindowController* editor = EditorWindowController::open(*picture, 2, QStringLiteral("sample"));
    if (!editor || !editor->centralWidget())
        return;
    editor->populateForUITest();
    settle(settleMilliseconds);
    // The menu bar is part of what the user sees, so the whole window content is written, not only
    // the central widget.
    write(*editor, editor->devicePixelRatioF(), QStringLiteral("editor.png"));
    editor->hide();
}

void UITestDelegate::renderOverlay()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const double w = screen->geometry().width();
    const double h = screen->geometry().height();
    const double s = screen->devicePixelRatio();
    const auto picture = SampleImage::make(static_cast<int>(w * s), static_cast<int>(h * s));
    if (!picture)
        return;
    const DisplayShot shot{screen->name(), *picture, QRectF(0, 0, w, h), s, screen};

    // The positions below were chosen from the bottom-left corner; (x, h - y) keeps the picture the
    // same with Qt's origin at the top-left.
    OverlayView idle(shot);
    idle.mouse = QPointF(0.42 * w, h - 0.55 * h);
    write(idle, s, QStringLiteral("overlay-idle.png"));

    OverlayView selecting(shot);
    const QRectF r(0.22 * w, 0.28 * h, 0.44 * w, 0.38 * h);
    selecting.anchor = QPointF(r.left(), h - r.top());
    selecting.current = QPointF(r.right(), h - r.bottom());
    selecting.mouse = *selecting.current;
    write(selecting, s, QStringLiteral("overlay-selecting.png"));
}

void UITestDelegate::renderPreferences()
{
    // The defaults, never the user's file: the picture must not depend on who runs it.
    PreferencesDialog dialog(defaultSettings(), false);
    dialog.adjustSize();
    settle(settleMilliseconds);
    write(dialog, dialog.devicePixelRatioF(), QStringLiteral("preferences.png"));
}

void UITestDelegate::write(QWidget& view, double scale, const QString& name)
{
    // Rendered off screen at the monitor's ratio, so the file has one pixel per device pixel whether
    // or not the view was ever shown.
    QImage bitmap((QSizeF(view.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (bitmap.isNull()) {
        report(QStringLiteral("  FAIL could not create a bitmap for %1").arg(name));
        return;
    }
    bitmap.setDevicePixelRatio(scale);
    bitmap.fill(Qt::transparent);
    view.render(&bitmap);

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(bitmap)) {
        report(QStringLiteral("  FAIL could not encode %1").arg(name));
        return;
    }

    const QString path = m_outputDirectory + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(png) != png.size() ||
        !file.flush()) {
        report(QStringLiteral("  FAIL writing %1: %2").arg(path, file.errorString()));
        return;
    }
    file.close();
    report(QStringLiteral("  ok   wrote %1 (%2×%3)").arg(path).arg(view.width()).arg(view.height()));
}

} // namespace corvane
