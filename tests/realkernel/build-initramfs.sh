#!/usr/bin/env bash
# Builds the virtual machine's initramfs from a build tree: busybox, the
# kernel modules a virtio-scsi disk needs, the built programs and libraries
# with every shared library ldd names for them, and the guest's check script
# as /init. Prints nothing but errors.
#   build-initramfs.sh BUILD_DIR KERNEL_VERSION GUEST_SCRIPT OUT_FILE [EXTRA_FILE...]
# EXTRA_FILEs land in /etc/zrso-vm/ of the guest.
set -euo pipefail

build=$1 kver=$2 guest=$3 out=$4
shift 4
moddir=/lib/modules/$kver
busybox=$(command -v busybox || true)
[ -n "$busybox" ] || { echo "build-initramfs: busybox not found (Debian package busybox-static)" >&2; exit 1; }
for need in "$build/bin/zrso-host" "$build/lib/libZRSnapHandlerXIV.so" "$moddir/modules.dep"; do
  [ -e "$need" ] || { echo "build-initramfs: missing $need" >&2; exit 1; }
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{bin,dev,proc,sys,tmp,etc/zrso-vm,zrso/bin,zrso/lib,modules}

cp "$busybox" "$root/bin/busybox"
for applet in sh mount insmod poweroff sleep cat grep sed tr ls mkdir rm echo test \
              head tail cut wc sort awk printf env mknod dmesg stat readlink; do
  ln -s busybox "$root/bin/$applet"
done

# Modules in load order: each after everything it depends on.
declare -A loaded=()
order=()
load() {
  local mod=$1 dep
  [ -n "${loaded[$mod]:-}" ] && return
  loaded[$mod]=1
  for dep in $(awk -v m="$mod" -F': *' '$1 == m { print $2 }' "$moddir/modules.dep"); do
    load "$dep"
  done
  order+=("$mod")
}
for name in virtio virtio_ring virtio_pci virtio_scsi scsi_mod sd_mod sg; do
  path=$(awk -F: -v n="/$name.ko" 'index($1, n) == length($1) - length(n) + 1 { print $1; exit }' \
           "$moddir/modules.dep")
  if [ -z "$path" ]; then
    grep -qw "$name" "$moddir/modules.builtin" 2>/dev/null && continue
    echo "build-initramfs: kernel $kver has no module $name" >&2; exit 1
  fi
  load "$path"
done
: > "$root/modules/order"
for mod in "${order[@]}"; do
  base=$(basename "$mod")
  case "$base" in
    *.ko) cp "$moddir/$mod" "$root/modules/$base" ;;
    *.ko.xz) xz -dc "$moddir/$mod" > "$root/modules/${base%.xz}"; base=${base%.xz} ;;
    *.ko.zst) zstd -qdc "$moddir/$mod" > "$root/modules/${base%.zst}"; base=${base%.zst} ;;
    *.ko.gz) gzip -dc "$moddir/$mod" > "$root/modules/${base%.gz}"; base=${base%.gz} ;;
  esac
  echo "$base" >> "$root/modules/order"
done

# Programs and libraries of the build tree, without their debug sections,
# and every shared library they need at its own path.
programs=(zrso-host xcli xcli-sim)
for p in "${programs[@]}"; do strip --strip-debug -o "$root/zrso/bin/$p" "$build/bin/$p"; done
for lib in "$build"/lib/*.so*; do
  [ -f "$lib" ] && strip --strip-debug -o "$root/zrso/lib/$(basename "$lib")" "$lib"
done
for f in "$build"/lib/*.so* "${programs[@]/#/$build/bin/}"; do ldd "$f" 2>/dev/null || true; done |
  awk '/=> \// { print $3 } /^\t\/[^ ]+ \(/ { print $1 }' | sort -u |
  while read -r lib; do
    case "$lib" in "$build"/*) continue ;; esac
    mkdir -p "$root$(dirname "$lib")"
    cp -L "$lib" "$root$lib"
  done

cp "$guest" "$root/init"
chmod 755 "$root/init"
for extra in "$@"; do cp "$extra" "$root/etc/zrso-vm/"; done

(cd "$root" && find . -mindepth 1 | LC_ALL=C sort | "$busybox" cpio -o -H newc 2>/dev/null) > "$out"
