#!/usr/bin/env bash
# Runs the grab benchmark under a private virtual X server with one 3840 x 2160 monitor (the
# end-to-end driver's, tests/support/e2e.sh).
# usage: run-grab-bench.sh path/to/bench_capture_grab [--benchmark_... flags]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bench=${1:?usage: run-grab-bench.sh path/to/bench_capture_grab [benchmark flags]}
shift
case_name=grab-bench
source "$here/../../tests/support/e2e.sh"
x_screen 3840x2160
"$bench" "$@"
