#!/usr/bin/env bash
# Builds and runs every benchmark (bench/), printing Google Benchmark's tables.
# Results and how to read them are in docs/performance.md.
#   scripts/bench.sh            all benchmarks
#   scripts/bench.sh imaging    only those of one folder (bench_imaging_*)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
cmake --preset default >/dev/null
cmake --build --preset default
pattern="bench_${1:-}"
for b in build/bin/${pattern}*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
done
