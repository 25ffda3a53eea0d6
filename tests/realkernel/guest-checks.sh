#!/bin/sh
# The virtual machine's init. Loads the disk drivers, then checks the built
# programs against the kernel's disks: detection, identification through
# SG_IO, rescan after a hot-plug and a removal, and a backup of real disks
# (one naming itself first with a vendor-specific designator) with the
# simulator as their array. Speaks to the runner on the console in
# lines that start with "@@zrso"; a request is answered with one input line.
PATH=/bin:/zrso/bin
LD_LIBRARY_PATH=/zrso/lib
export PATH LD_LIBRARY_PATH
mount -t devtmpfs dev /dev
# fd 3 stays on the console while a check's output is captured.
exec </dev/console >/dev/console 2>&1 3>&1
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t tmpfs tmp /tmp
. /etc/zrso-vm/vm.env

checks=0
failed=0
say() { echo "@@zrso $*" >&3; }
finish() {
  say "done: $checks checks, $failed failed"
  poweroff -f
  sleep 60
}
# check NAME FUNCTION: one named check; the function's output is shown only
# when it fails.
check() {
  checks=$((checks + 1))
  if out=$("$2" 2>&1); then
    say "ok: $1"
  else
    failed=$((failed + 1))
    echo "$out"
    say "FAILED: $1"
  fi
}
request() {
  say "request: $*"
  read -r answer
  [ "$answer" = "done" ] || { echo "runner answered: $answer"; return 1; }
}
lower() { echo "$1" | tr 'A-F' 'a-f'; }
# The device node of the disk whose NAA name is $1, as the kernel names it.
device_of() {
  for d in /sys/block/sd*; do
    [ "$(cat "$d/device/wwid" 2>/dev/null)" = "naa.$(lower "$1")" ] && echo "/dev/${d##*/}"
  done
  return 0
}
host() { zrso-host --home /tmp/home "$@" </dev/null; }
disks_line() { host disks | grep -i -w "$1"; }

say "booted $(uname -r)"
for m in $(cat /modules/order); do
  insmod "/modules/$m" || { say "FAILED: loading module $m"; failed=1; finish; }
done
tries=0
until [ -n "$(device_of "$XIV1_NAA")" ] && [ -n "$(device_of "$XIV2_NAA")" ] &&
      [ -n "$(device_of "$XIV3_NAA")" ] && [ -n "$(device_of "$PLAIN_NAA")" ]; do
  tries=$((tries + 1))
  [ $tries -le 300 ] || { ls -l /sys/block; say "FAILED: the disks did not show up"; failed=1; finish; }
  sleep 0.1
done
XIV1=$(device_of "$XIV1_NAA")
XIV2=$(device_of "$XIV2_NAA")
XIV3=$(device_of "$XIV3_NAA")
PLAIN=$(device_of "$PLAIN_NAA")
say "disks: XIV $XIV1 $XIV2 $XIV3, plain $PLAIN"

export XIV_SIM_STATE=/tmp/array
host init --xcli-dir /zrso/bin >/dev/null || { say "FAILED: zrso-host init"; failed=1; finish; }

detection() {
  host supported "$XIV1" || return 1
  out=$(host supported "$PLAIN") && { echo "$out"; return 1; }
  echo "$out" | grep -q "not an IBM XIV volume" || { echo "$out"; return 1; }
  out=$(host supported /dev/sdzz 2>&1) && { echo "$out"; return 1; }
  echo "$out" | grep -q "no such device" || { echo "$out"; return 1; }
}
check "XIV disks are supported, a plain disk is not, a missing one is missing" detection

identification() {
  host disks >&3
  for word in IBM 2810XIV "$ARRAY_SERIAL" "$ARRAY_HEX_SERIAL" "$XIV1_NAA"; do
    disks_line "$XIV1_NAA" | grep -q -w "$word" || { echo "no $word for $XIV1"; return 1; }
  done
  disks_line "$PLAIN_NAA" | grep -q -w QEMU || { echo "plain disk not shown"; return 1; }
  if disks_line "$PLAIN_NAA" | grep -q -w "$ARRAY_SERIAL"; then
    echo "a plain disk shown with an array serial"; return 1
  fi
}
check "disks shows vendor, product, both array serials and the NAA name" identification

hotplug() {
  request add || return 1
  [ -z "$(device_of "$HOT_NAA")" ] || { echo "the disk appeared before any rescan"; return 1; }
  host rescan --yes || return 1
  dev=$(device_of "$HOT_NAA")
  [ -n "$dev" ] && [ -b "$dev" ] || { ls -l /sys/block /dev; echo "no device node"; return 1; }
  disks_line "$HOT_NAA" | grep -q "$ARRAY_SERIAL" || { host disks; return 1; }
  host supported "$dev"
}
check "a disk plugged in shows up after a rescan" hotplug

removal() {
  request remove || return 1
  host rescan --yes || return 1
  [ -z "$(device_of "$XIV2_NAA")" ] || { echo "the disk is still there"; return 1; }
  [ ! -e "$XIV2" ] || { echo "$XIV2 is still there"; return 1; }
  if disks_line "$XIV2_NAA"; then return 1; fi
  return 0
}
check "a disk pulled out is gone after a rescan" removal

backup() {
  echo secret > /tmp/password
  xcli-sim array-create --address xiv-vm --serial "$ARRAY_SERIAL" --user admin --password secret &&
  xcli-sim pool-create --address xiv-vm --pool pool1 --size-gb 1000 &&
  xcli-sim vol-create --address xiv-vm --pool pool1 --vol vm_disk1 --size-gb 17 --wwn "$XIV1_NAA" &&
  xcli-sim vol-create --address xiv-vm --pool pool1 --vol vm_disk3 --size-gb 17 --wwn "$XIV3_NAA" &&
  host array add xiv1 --address xiv-vm --user admin --serial "$ARRAY_SERIAL" \
    --password-file /tmp/password || return 1
  host backup "$XIV1" "$XIV3" || { host jobs; tail -n 40 /tmp/home/zrso-host.log; return 1; }
}
check "a backup of real disks prepares and snaps their volumes" backup

finish
