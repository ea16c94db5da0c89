// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/OverlayView.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <random>

namespace corvane {
namespace {

// A 3840 x 2160 monitor showing noise, so no paint path can take a shortcut on flat colour.
std::unique_ptr<OverlayView> makeOverlay()
{
    QImage picture(3840, 2160, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = 0xff000000u | (random() & 0xffffffu);
    }
    auto view = std::make_unique<OverlayView>(DisplayShot{QStringLiteral("BENCH"), picture, QRectF(0, 0, 3840, 2160), 1, nullptr});
    view->show();
    QCoreApplication::processEvents();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1000, 600), QPointF(1000, 600), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.get(), &press);
    QCoreApplication::processEvents();
    return view;
}

void dragTo(OverlayView& view, QPointF point)
{
    QMouseEvent move(QEvent::MouseMove, point, point, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &move);
}

// One frame of a drag as the user sees it: the move event, then the paint and flush it causes.
void BM_DragFrame(benchmark::State& state)
{
    const auto view = makeOverlay();
    int step = 0;
    for (auto _ : state) {
        ++step;
        dragTo(*view, QPointF(2000 + step % 40, 1200 + step % 30));
        // Paints and flushes exactly what the move invalidated.
        QCoreApplication::sendPostedEvents(view.get(), QEvent::UpdateRequest);
    }
}

// The same frame if every move repainted the whole monitor.
void BM_FullRepaintFrame(benchmark::State& state)
{
    const auto view = makeOverlay();
    int step = 0;
    for (auto _ : state) {
        ++step;
        dragTo(*view, QPointF(2000 + step % 40, 1200 + step % 30));
        view->update();
        QCoreApplication::sendPostedEvents(view.get(), QEvent::UpdateRequest);
    }
}

BENCHMARK(BM_DragFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullRepaintFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace corvane
