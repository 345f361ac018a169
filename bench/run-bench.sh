#!/usr/bin/env bash
# Runs every benchmark of a build made with ZUF_BUILD_BENCH=ON and prints the figures.
#   bench/run-bench.sh <build dir>
set -euo pipefail

build=$(cd "${1:?usage: run-bench.sh <build dir>}" && pwd)
source=$(cd "$(dirname "$0")/.." && pwd)
runs=${BENCH_RUNS:-25}
export LC_ALL=C.UTF-8
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cp "$source"/data/qes*.ssu "$work"/

echo "zuf-quiz benchmarks: $(git -C "$source" describe --always --dirty 2>/dev/null || echo unknown)," \
     "$(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

cd "$work"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_startup" offscreen "$runs" \
  "$build/bench/bare_window" "$build/bench/welcome_floor" "$build/bench/zuf-quiz-bench"

if command -v Xvfb >/dev/null; then
  # Xvfb picks a free display and writes its number once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  display=$(cat "$work/display")
  DISPLAY=":$display" QT_QPA_PLATFORM=xcb "$build/bench/bench_startup" "Xvfb" "$runs" \
    "$build/bench/bare_window" "$build/bench/welcome_floor" "$build/bench/zuf-quiz-bench"
else
  echo; echo "== start-up under Xvfb: skipped, Xvfb is not installed"
fi

QT_QPA_PLATFORM=offscreen "$build/bench/bench_session" "$build/bench/bare_window" "$work"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_records" "$build/tools/zuf-check"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_teacher" "$build/tools/zuf-check"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_results"
"$build/bench/bench_loading" --benchmark_min_time=0.5 --benchmark_color=false
"$source/bench/measure-size.sh" "$build"
