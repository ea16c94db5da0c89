#!/usr/bin/env bash
# Builds the benchmarks and the program in Release (in build-bench/, or the folder given) and runs
# every benchmark and the end-to-end latency harness, one monitor and two. The figures in
# docs/performance.md come from this script; it prints everything and keeps a copy in
# build-bench/results.txt.
# usage: bench/run-all.sh [BUILD_FOLDER]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tree=${1:-$root/build-bench}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$tree" -j "$(nproc)" --target corvane bench_flatten bench_png_encode bench_overlay_paint \
    bench_capture_grab bench_latency >/dev/null

# Benchmarks run on the offscreen platform, with no display or session bus of the user's.
unset DISPLAY WAYLAND_DISPLAY
export DBUS_SESSION_BUS_ADDRESS=disabled: QT_QPA_PLATFORM=offscreen
results="$tree/results.txt"
{
    echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
    "$tree/bench/editor/bench_flatten" --benchmark_min_time=1
    "$tree/bench/output/bench_png_encode" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
    "$tree/bench/capture/bench_overlay_paint" --benchmark_min_time=1
    "$root/bench/capture/run-grab-bench.sh" "$tree/bench/capture/bench_capture_grab" \
        --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
    echo "== latency, one 3840 x 2160 monitor"
    "$root/bench/latency/run-latency.sh" one "$tree/bench/latency/bench_latency" "$tree/src/app/corvane" \
        --repeat 20 --idle-wait 65 --cli-trigger
    echo "== latency, two monitors (1920 x 1080 at ratio 1, 2560 x 1440 at ratio 2)"
    "$root/bench/latency/run-latency.sh" two "$tree/bench/latency/bench_latency" "$tree/src/app/corvane" \
        --repeat 20 --quick
} 2>&1 | tee "$results"
