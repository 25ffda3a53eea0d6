#!/usr/bin/env bash
# Runs the XCLI layer benchmarks against a built tree and prints one table.
#   bash bench/run.sh <build-dir>
set -euo pipefail
BUILD=${1:?usage: run.sh <build-dir>}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BIN=$BUILD/bin
WORK=$(mktemp -d "${TMPDIR:-/tmp}/xiv_bench_run.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

# Keep the run to itself: its own (empty) settings and a scratch log.
export ZRSO_CONFIG=$WORK/platform.ini
export ZRSO_LOG_FILE=$WORK/debug.log
: >"$ZRSO_CONFIG"

for n in 1000 10000 50000; do
  "$BIN/xiv_bench_tool" write "$n" "$WORK/vol_list_$n.xml"
done

# Medians of three repetitions: a shared machine makes single runs jumpy.
"$BIN/xiv_bench" --benchmark_out="$WORK/bench.json" --benchmark_out_format=json \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_format=console >"$WORK/bench.txt" 2>&1
"$BIN/xiv_bench_tool" peak "$WORK/vol_list_50000.xml" >"$WORK/peak.json"
python3 "$HERE/elementtree_parse.py" 3 "$WORK"/vol_list_{1000,10000,50000}.xml >"$WORK/etree.json"

python3 - "$WORK" <<'PY'
import json, os, sys
work = sys.argv[1]
bench = {b["run_name"].split("/min_time")[0]: b
         for b in json.load(open(os.path.join(work, "bench.json")))["benchmarks"]
         if b.get("aggregate_name") == "median"}
etree = json.load(open(os.path.join(work, "etree.json")))
peak = json.load(open(os.path.join(work, "peak.json")))

def ms(name, kind):
    b = bench[name]
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    return b[kind] * scale

# Parses run on one thread: processor time, which other load on the machine
# does not inflate. Child processes run elsewhere: wall time for those.
print("XCLI layer benchmarks (parses: processor time; round trips: wall time)")
print()
print(f"{'volumes':>8} {'MB':>6} {'ParseOutput ms':>15} {'empty Xerces ms':>16} {'ratio':>6}"
      f" {'ElementTree ms':>15} {'speed-up':>9} {'us/volume':>10}")
for n in (1000, 10000, 50000):
    ours = ms(f"BM_ParseOutput/{n}", "cpu_time")
    empty = ms(f"BM_XercesEmptyHandler/{n}", "cpu_time")
    path = os.path.join(work, f"vol_list_{n}.xml")
    py = etree[path]["ms"]
    size = os.path.getsize(path) / 1e6
    print(f"{n:>8} {size:>6.1f} {ours:>15.2f} {empty:>16.2f} {ours / empty:>6.2f}"
          f" {py:>15.1f} {py / ours:>8.1f}x {ours * 1000 / n:>10.2f}")
print()
rt = ms("BM_DoTheWorkRoundTrip", "real_time")
sp = ms("BM_BareSpawnWait", "real_time")
print(f"small command: DoTheWork round trip {rt:.3f} ms, bare posix_spawn + wait {sp:.3f} ms,"
      f" ratio {rt / sp:.2f}")
print(f"peak memory of the 50,000-volume parse (VmHWM): {peak['peak_kib'] / 1024:.1f} MiB"
      f" ({peak['before_kib'] / 1024:.1f} MiB before reading the answer; {peak['records']} records)")
print()
print("targets: ratio <= 1.3; speed-up >= 6x at 50,000; us/volume flat; peak < 150 MiB;"
      " round trip ratio <= 1.5")
PY
