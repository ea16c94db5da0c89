// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/Palette.h"
#include "editor/CanvasView.h"

#include <QPainter>
#include <benchmark/benchmark.h>
#include <random>

namespace corvane {
namespace {

// A 4K screenshot-sized canvas at scale 2 with 50 annotations of every kind spread over it, laid out
// from a fixed seed so every run flattens the same scene.
std::unique_ptr<CanvasView> makeScene(int count)
{
    QImage base(3840, 2160, QImage::Format_RGB32);
    base.fill(QColor(0xEE, 0xEE, 0xEE));
    {
        QPainter painter(&base);
        for (int y = 0; y < base.height(); y += 90)
            painter.fillRect(0, y, base.width(), 45, QColor(0xD8, 0xDC, 0xE2));
    }
    auto canvas = std::make_unique<CanvasView>(base, 2);
    std::mt19937 random(20261207);
    std::uniform_real_distribution<double> x(0, 3600);
    std::uniform_real_distribution<double> y(0, 1950);
    std::uniform_real_distribution<double> extent(40, 600);
    const QColor colors[] = {Palette::red(), Palette::orange(), Palette::green(), Palette::blue(),
                             Palette::purple()};
    for (int i = 0; i < count; ++i) {
        const auto kind = Annotation::allKinds[static_cast<std::size_t>(i) % Annotation::allKinds.size()];
        const QPointF p1(x(random), y(random));
        const QPointF p2 = p1 + QPointF(extent(random), extent(random) / 2);
        const QString text = kind == Annotation::Kind::text
                                 ? QStringLiteral("Build %1 failed on the second monitor, see the log").arg(i)
                                 : QString();
        canvas->addAnnotation(
            std::make_shared<Annotation>(kind, p1, p2, colors[i % 5], 3 + i % 4, 24 + i % 3 * 8, text));
    }
    return canvas;
}

void BM_FlattenCanvas(benchmark::State& state)
{
    const auto canvas = makeScene(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        QImage image = canvas->renderedImage();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_FlattenCanvas)->Arg(0)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace corvane
