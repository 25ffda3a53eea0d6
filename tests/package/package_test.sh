#!/usr/bin/env bash
# Builds the Debian packages from a build tree, unpacks them with dpkg-deb
# into a temporary root and runs zrso-host demo from there; lintian must find
# no error. Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
skip() { echo "skipped: $1"; exit 77; }
for tool in cpack dpkg-deb dpkg-shlibdeps readelf; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"; exit 1
fi
plugin=$(find "$work/cpack" -name 'zrso-xiv-plugin_*.deb')
host=$(find "$work/cpack" -name 'zrso-host_*.deb')
[ -f "$plugin" ] && [ -f "$host" ] || { echo "expected two packages:"; cat "$work/cpack.log"; exit 1; }

fail() { echo "FAILED: $*"; exit 1; }
# Depends: the host needs the plug-in package of its own version (its runtime
# library lives there); the rest comes from dpkg-shlibdeps.
version=$(dpkg-deb -f "$host" Version)
dpkg-deb -f "$host" Depends | grep -qF "zrso-xiv-plugin (= $version)" || fail "zrso-host Depends"
dpkg-deb -f "$host" Depends | grep -q 'libsqlite3' || fail "zrso-host Depends lacks SQLite"
dpkg-deb -f "$plugin" Depends | grep -q 'libxerces-c' || fail "plug-in Depends lacks Xerces-C"

root="$work/root"
dpkg-deb -x "$plugin" "$root"
dpkg-deb -x "$host" "$root"
[ -f "$root/etc/zrso/platform.ini" ] || fail "no settings file in /etc/zrso"
# The manual page renders and the completion registers, as installed.
if command -v man >/dev/null; then
  MANWIDTH=80 man -l "$root/usr/share/man/man1/zrso-host.1.gz" | grep -q 'zrso-host' || fail "man -l"
fi
bash -c "source '$root/usr/share/bash-completion/completions/zrso-host' && complete -p zrso-host" \
  >/dev/null || fail "bash completion"
# Nothing may point back into the build tree: every search path is $ORIGIN's.
for elf in "$root"/usr/bin/zrso-host "$root"/usr/lib/*/zrso/*.so; do
  if readelf -d "$elf" | grep -E 'R(UN)?PATH' | grep -v '\$ORIGIN'; then fail "absolute search path in $elf"; fi
done

# The demo from the unpacked tree, with every library it loads traced: the
# plug-in and its runtime must be the unpacked ones.
export HOME="$work/home"
mkdir -p "$HOME"
if ! LD_DEBUG=libs LD_DEBUG_OUTPUT="$work/ld" "$root/usr/bin/zrso-host" demo >"$work/demo.log" 2>&1; then
  cat "$work/demo.log"; fail "zrso-host demo from the unpacked package"
fi
loaded=$(cat "$work"/ld.* | grep -oE 'calling init: [^ ]*(libZRSnapHandlerXIV|libzrsohostrt)\.so' | sort -u)
echo "$loaded"
echo "$loaded" | grep -q "$root/.*/libZRSnapHandlerXIV.so" || fail "the unpacked plug-in was not loaded"
if echo "$loaded" | grep -v "calling init: $root/"; then fail "a library came from outside the unpacked root"; fi
echo "zrso-host demo ran from the unpacked packages"

if ! command -v lintian >/dev/null; then
  [ "${CI:-}" = true ] && fail "lintian is not installed"
  skip "lintian is not installed"
fi
# Errors fail; warnings and notes are shown.
rc=0
lintian --fail-on error "$plugin" "$host" >"$work/lintian.log" 2>&1 || rc=$?
grep -v 'root privileges' "$work/lintian.log" || true
[ "$rc" -eq 0 ] || fail "lintian reports errors"
echo "lintian: no errors"
