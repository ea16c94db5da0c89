// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// How long the X11 source takes to grab one 3840 x 2160 monitor into a QImage, through MIT-SHM into its
// reused block and through plain get-image, in the same run on the same server. Wall-clock time, since
// most of the work is the X server's. Needs an X server whose primary monitor is that size:
// run-grab-bench.sh starts a private one.
#include "platform/x11/X11CaptureSource.h"

#include <QGuiApplication>
#include <QScreen>
#include <benchmark/benchmark.h>

namespace {

using corvane::x11::X11CaptureSource;

void grab(benchmark::State& state, X11CaptureSource::Transfer transfer)
{
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
        state.SkipWithError("needs an X server: run it through bench/capture/run-grab-bench.sh");
        return;
    }
    const QScreen& screen = *QGuiApplication::primaryScreen();
    X11CaptureSource source(transfer);
    source.warmUp(); // the block is made once, as the program does at launch
    const QImage first = source.grab(screen);
    if (first.isNull() || source.lastTransfer() != transfer) {
        state.SkipWithError("the grab failed or went the other way");
        return;
    }
    for (auto _ : state) {
        const QImage image = source.grab(screen);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["width"] = first.width();
    state.counters["height"] = first.height();
    state.SetItemsProcessed(state.iterations() * first.width() * first.height()); // items = pixels
}

} // namespace

BENCHMARK_CAPTURE(grab, sharedMemory, X11CaptureSource::Transfer::sharedMemory)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(grab, getImage, X11CaptureSource::Transfer::getImage)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
