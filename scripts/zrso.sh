#!/usr/bin/env bash
# One entry point for setting up, building, testing and running the project.
#   zrso.sh deps     install what is missing (Debian packages)
#   zrso.sh build    configure and build the release tree (build/release)
#   zrso.sh demo     deps + build + zrso-host demo against the simulated array
#   zrso.sh test     deps + build release and ASan/UBSan trees + every test
#   zrso.sh bench    deps + build + the benchmark table
#   zrso.sh package  deps + build + the Debian packages (build/release/packages), lintian
#   zrso.sh fuzz [SECONDS]  deps + clang libFuzzer targets, each run SECONDS
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=${JOBS:-$(nproc)}

PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev pkg-config libxerces-c-dev \
libsqlite3-dev libssl-dev libgtest-dev libgmock-dev libbenchmark-dev python3 \
dpkg-dev file lintian man-db bash-completion"
# The real-kernel test's virtual machine: emulator, a kernel with its modules,
# a static busybox for the guest. Without recommends: QEMU's pull in a desktop.
VM_PACKAGES="qemu-system-x86 linux-image-amd64 busybox-static"

missing_of() {  # package... -> those not installed
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

deps() {
  local missing vm_missing sudo=""
  missing=$(missing_of $PACKAGES)
  vm_missing=$(missing_of $VM_PACKAGES)
  [ -n "$missing$vm_missing" ] || return 0
  echo "== installing:" $missing $vm_missing
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  [ -z "$missing" ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
  [ -z "$vm_missing" ] ||
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $vm_missing
}

configure_build() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S "$ROOT" -B "$ROOT/$dir" -G Ninja "$@" >/dev/null
  cmake --build "$ROOT/$dir" -j "$JOBS"
}

build_release() { configure_build build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo; }
build_asan() { configure_build build/asan -DCMAKE_BUILD_TYPE=Debug -DZRSO_SANITIZE=ON -DZRSO_BENCH=OFF; }

run_ctest() {  # dir
  (cd "$ROOT/$1" && ctest --output-on-failure -j "$JOBS" --timeout 600)
}

cmd=${1:-test}
case "$cmd" in
  deps) deps ;;
  build) deps; build_release ;;
  demo)
    deps; build_release
    "$ROOT/build/release/bin/zrso-host" demo
    ;;
  test)
    deps
    build_release
    echo "== tests (release)"
    run_ctest build/release
    build_asan
    echo "== tests (ASan + UBSan)"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      run_ctest build/asan
    if [ -x "$ROOT/scripts/fuzz.sh" ]; then
      echo "== short fuzz runs"
      bash "$ROOT/scripts/fuzz.sh" "${FUZZ_SECONDS:-15}"
    fi
    ;;
  package)
    deps; build_release
    rm -rf "$ROOT/build/release/packages"
    (cd "$ROOT/build/release" && cpack 2>&1 | grep -v '^CPackDeb')
    lintian --fail-on error "$ROOT"/build/release/packages/*.deb
    ;;
  bench)
    deps; build_release
    bash "$ROOT/bench/run.sh" "$ROOT/build/release"
    ;;
  fuzz)
    deps
    bash "$ROOT/scripts/fuzz.sh" "${2:-60}"
    ;;
  *) echo "usage: $0 deps|build|demo|test|package|bench|fuzz [seconds]" >&2; exit 2 ;;
esac
