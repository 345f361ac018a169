#!/usr/bin/env bash
# Runs each libFuzzer target (FUZZ_TARGETS, default both) for FUZZ_SECONDS (default 60) on
# its corpus in build/fuzz/corpus, seeded with the shipped question files, the test files,
# tests/fuzz/corpus and every input that once failed (tests/fuzz/regressions). Then runs
# every input of the corpus once more and prints the slowest as a figure. A crash, a leak,
# a broken promise, an input that runs for 10 s (only a hang takes that long: the
# slowest inputs take milliseconds, and a loaded machine has made that 25 times longer)
# or a memory limit stops the target and names the input to keep.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${FUZZ_SECONDS:-60}
build=build/fuzz
hang_s=10
status=0

for target in ${FUZZ_TARGETS:-questionfile records}; do
  bin=$build/tests/fuzz/fuzz_$target
  corpus=$build/corpus/$target
  seeds=$build/seeds/$target
  artifacts=$build/artifacts/$target
  log=$build/fuzz_$target.log
  mkdir -p "$corpus" "$seeds" "$artifacts"
  cp data/qes*.ssu tests/data/* "$seeds"/
  find tests/fuzz/corpus/$target tests/fuzz/regressions/$target -type f ! -name '.*' -exec cp {} "$seeds"/ \;

  echo "fuzz_$target: $seconds s"
  # No single allocation may pass 128 MB. The whole process grows slowly under the sanitizer's
  # own bookkeeping (the readers alone stay flat over millions of inputs), so its limit is
  # libFuzzer's usual 2 GB with a smaller quarantine.
  if ! ASAN_OPTIONS=quarantine_size_mb=64 "$bin" -max_total_time="$seconds" -timeout=$hang_s -rss_limit_mb=2048 \
      -malloc_limit_mb=128 -max_len=20000 -print_final_stats=1 -artifact_prefix="$artifacts/" \
      "$corpus" "$seeds" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz_$target FAILED: the input is in $artifacts/; keep it in tests/fuzz/regressions/$target/"
    status=1
    continue
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  peak=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")

  # Every kept input once more, each timed on its own: the slowest is a figure to watch,
  # not a failure, since the machine's load alone can make it many times slower.
  replay=$build/replay_$target.log
  if ! find "$corpus" "$seeds" -type f -print0 | xargs -0 "$bin" -timeout="$hang_s" >"$replay" 2>&1; then
    tail -n 40 "$replay"
    echo "fuzz_$target FAILED on replay: keep the input named above in tests/fuzz/regressions/$target/"
    status=1
    continue
  fi
  slowest=$(sed -n 's/^Executed \(.*\) in \([0-9]*\) ms$/\2 \1/p' "$replay" | sort -n | tail -n 1)
  inputs=$(find "$corpus" -type f | wc -l)
  echo "fuzz_$target: $runs inputs run, $inputs kept in the corpus, peak memory $peak MB, slowest input ${slowest%% *} ms (${slowest#* })"
done
exit $status
