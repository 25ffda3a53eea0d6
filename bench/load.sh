#!/usr/bin/env bash
# Many jobs at once and hosts killed mid-job: runs the concurrency test for a
# while (default 60 s) and the crash matrix of a built tree, and prints their
# figures as two tables.
#   bash bench/load.sh <build-dir> [seconds]
set -euo pipefail
BUILD=${1:?usage: load.sh <build-dir> [seconds]}
SECONDS_TO_RUN=${2:-60}
BIN=$BUILD/bin
for t in concurrency_tests crash_tests; do
  if [ ! -x "$BIN/$t" ]; then
    echo "load: $BIN/$t is not built (the tests are part of the build); skipped"
    exit 0
  fi
done
WORK=$(mktemp -d "${TMPDIR:-/tmp}/xiv_load_run.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

ZRSO_LOAD_SECONDS=$SECONDS_TO_RUN ZRSO_LOAD_REPORT=$WORK/load.json \
  "$BIN/concurrency_tests" --gtest_brief=1 >"$WORK/load.out" 2>&1 || { cat "$WORK/load.out"; exit 1; }
ZRSO_CRASH_REPORT=$WORK/crash.json "$BIN/crash_tests" --gtest_brief=1 >"$WORK/crash.out" 2>&1 ||
  { cat "$WORK/crash.out"; exit 1; }

python3 - "$WORK" <<'PY'
import json, os, sys
work = sys.argv[1]
l = json.load(open(os.path.join(work, "load.json")))
print(f"under load: {l['workers']} zrso-host processes looping backup, mount, unmount, delete on their own volumes"
      f" of one array, one host object, {l['seconds']:.0f} s")
print(f"{'jobs':>6} {'jobs/min':>9} {'mounts':>7} {'map_vol runs':>13} {'LUN conflicts retried':>22}"
      f" {'of them injected':>17} {'mounts failed':>14} {'most mounted at once':>21}")
print(f"{l['jobs']:>6} {l['jobs_per_minute']:>9.0f} {l['mounts']:>7} {l['map_runs']:>13} {l['lun_conflicts']:>22}"
      f" {l['faults_taken']:>17} {l['mounts_failed']:>14} {l['most_mounted_at_once']:>21}")
print()
print("after crashes: zrso-host killed (SIGKILL) at each of its xcli runs, the run held after its work on the array;")
print("then the operator's next step; objects are lines of the array's state that differ from before the command")
print(f"{'command':>26} {'next step':>10} {'points':>7} {'objects at kill':>16} {'next failed':>12}"
      f" {'left, removal told':>19} {'kept, removal told':>19} {'host objects kept':>18} {'left at end':>12}")
total = {"points": 0, "objects_at_kill": 0, "left_reported": 0, "kept_reported": 0}
for line in open(os.path.join(work, "crash.json")):
    c = json.loads(line)
    for k in total:
        total[k] += c[k]
    print(f"{c['command']:>26} {c['next']:>10} {c['points']:>7} {c['objects_at_kill']:>16} {c['next_failed']:>12}"
          f" {c['left_reported']:>19} {c['kept_reported']:>19} {c['host_objects_kept']:>18} {0:>12}")
print(f"{'all':>26} {'':>10} {total['points']:>7} {total['objects_at_kill']:>16} {'':>12}"
      f" {total['left_reported']:>19} {total['kept_reported']:>19} {'':>18} {0:>12}")
print("(left at end: after the removal commands zrso-host printed; the matrix fails otherwise)")
PY
