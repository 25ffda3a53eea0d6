#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build/fuzz) and runs each for the
# given number of seconds over a scratch copy of its corpus. New crashes are
# left in fuzz-out/<target>/ to be turned into regression inputs.
#   bash scripts/fuzz.sh [SECONDS]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SECONDS_EACH=${1:-20}
BUILD=$ROOT/build/fuzz
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZRSO_FUZZ=ON -DZRSO_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j "${JOBS:-$(nproc)}" --target fuzzers
OUT=$ROOT/fuzz-out
mkdir -p "$OUT"
status=0
for bin in "$BUILD"/bin/fuzz_*; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin"); corpus=${name#fuzz_}
  work=$OUT/$name; mkdir -p "$work/corpus"
  cp -r "$ROOT/tests/fuzz/corpus/$corpus/." "$work/corpus/" 2>/dev/null || true
  if "$bin" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 -artifact_prefix="$work/" \
       -print_final_stats=1 "$work/corpus" >"$work/log" 2>&1; then
    execs=$(grep -m1 'stat::number_of_executed_units' "$work/log" | awk '{print $2}')
    echo "fuzz $name: ok, ${execs:-?} executions in ${SECONDS_EACH}s"
  else
    echo "fuzz $name: FAILED (see $work/log)"; tail -n 30 "$work/log"; status=1
  fi
done
exit $status
