#!/usr/bin/env python3
"""Boots the machine's Debian kernel in QEMU with SCSI disks that answer as
XIV volumes do, beside a plain QEMU disk, and lets the guest's init check
the built programs against them. The guest's console is copied to standard
output as it comes; the guest asks on the console for disks to be plugged in
or pulled out, and this script does it through QEMU's monitor.

    run-vm.py BUILD_DIR

Exit status 0 only when the guest reported every check passed."""

import glob
import json
import os
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BOOT_SECONDS = 90     # kernel up and our init running
TOTAL_SECONDS = 170   # boot plus every check
ANSWER_SECONDS = 60   # longest quiet spell of a check

with open(os.path.join(HERE, "..", "data", "realkernel", "disks.json")) as f:
    VM = json.load(f)
ARRAY, DISKS, HOTPLUG = VM["array"], VM["at_boot"], VM["hotplug"]
PULLED_OUT = next(d for d in DISKS if d["id"] == VM["pulled_out"])


def fail(message):
    print(f"RealKernel: {message}", flush=True)
    sys.exit(1)


def find_kernel():
    """Newest installed kernel image whose modules are installed too."""
    found = []
    for image in glob.glob("/boot/vmlinuz-*"):
        version = image[len("/boot/vmlinuz-"):]
        if os.path.exists(f"/lib/modules/{version}/modules.dep"):
            found.append((os.path.getmtime(image), image, version))
    if not found:
        fail("no kernel image with its modules in /boot and /lib/modules "
             "(Debian package linux-image-amd64; bash scripts/zrso.sh deps installs it)")
    return max(found)[1:]


def disk_properties(disk):
    props = [f"scsi-hd,id={disk['id']},bus=scsi0.0,scsi-id={disk['target']},lun={disk['lun']}",
             f"drive={disk['id']},serial={disk['serial']},wwn=0x{disk['naa']}"]
    props += [f"{key}={disk[key]}" for key in ("vendor", "product", "device_id") if key in disk]
    return ",".join(props)


def blockdev(disk):
    return {"driver": "null-co", "node-name": disk["id"], "size": 17 << 30, "read-zeroes": True}


class Monitor:
    """QEMU's QMP socket: one command at a time, events skipped."""

    def __init__(self, path, deadline):
        while not os.path.exists(path):
            if time.monotonic() > deadline:
                fail("QEMU's monitor socket did not appear")
            time.sleep(0.05)
        self.sock = socket.socket(socket.AF_UNIX)
        self.sock.connect(path)
        self.sock.settimeout(30)
        self.lines = self.sock.makefile("r")
        self.lines.readline()  # greeting
        self.command("qmp_capabilities")

    def command(self, name, **arguments):
        self.sock.sendall(json.dumps({"execute": name, "arguments": arguments}).encode() + b"\n")
        while True:
            line = self.lines.readline()
            if not line:
                raise RuntimeError("QEMU closed its monitor")
            answer = json.loads(line)
            if "error" in answer:
                raise RuntimeError(f"{name}: {answer['error'].get('desc')}")
            if "return" in answer:
                return answer["return"]


def answer_request(monitor, what):
    if what == "add":
        monitor.command("blockdev-add", **blockdev(HOTPLUG))
        said = monitor.command("human-monitor-command",
                               **{"command-line": "device_add " + disk_properties(HOTPLUG)})
        if said.strip():
            raise RuntimeError(said.strip())
    elif what == "remove":
        monitor.command("device_del", id=PULLED_OUT["id"])
    else:
        raise RuntimeError(f"unknown request {what}")


def qemu_command(kernel, initrd, qmp_path):
    command = [
        "qemu-system-x86_64", "-nodefaults", "-no-user-config", "-display", "none",
        "-machine", "pc", "-accel", "tcg", "-m", "1024", "-smp", "1", "-no-reboot",
        "-kernel", kernel, "-initrd", initrd,
        "-append", "console=ttyS0 panic=-1 loglevel=5 rdinit=/init",
        "-serial", "stdio", "-qmp", f"unix:{qmp_path},server=on,wait=off",
        # No hot-plug events: a disk appears only when the guest rescans,
        # and a pulled one stays until the guest notices, as on a SAN.
        "-device", "virtio-scsi-pci,id=scsi0,hotplug=off",
    ]
    for disk in DISKS:
        command += ["-blockdev", json.dumps(blockdev(disk)), "-device", disk_properties(disk)]
    return command


def run_guest(command, qmp_path, started):
    """Streams the console, answers requests; returns the guest's verdict."""
    qemu = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    booted = False
    verdict = None
    pending = b""
    last_output = time.monotonic()
    try:
        monitor = Monitor(qmp_path, started + BOOT_SECONDS)
        while verdict is None:
            now = time.monotonic()
            if not booted and now - started > BOOT_SECONDS:
                fail(f"the virtual machine did not boot within {BOOT_SECONDS} s")
            if now - started > TOTAL_SECONDS:
                fail(f"the virtual machine did not finish its checks within {TOTAL_SECONDS} s")
            if booted and now - last_output > ANSWER_SECONDS:
                fail(f"the guest said nothing for {ANSWER_SECONDS} s")
            ready, _, _ = select.select([qemu.stdout], [], [], 0.5)
            if not ready:
                if qemu.poll() is not None:
                    break
                continue
            chunk = os.read(qemu.stdout.fileno(), 65536)
            if not chunk:
                break
            last_output = time.monotonic()
            sys.stdout.buffer.write(chunk)
            sys.stdout.flush()
            pending += chunk
            *lines, pending = pending.split(b"\n")
            for raw in lines:
                line = raw.decode("utf-8", "replace").strip()
                if not line.startswith("@@zrso "):
                    continue
                said = line[len("@@zrso "):]
                if said.startswith("booted"):
                    booted = True
                    print(f"RealKernel: booted after {time.monotonic() - started:.1f} s",
                          flush=True)
                elif said.startswith("request: "):
                    answer = "done"
                    try:
                        answer_request(monitor, said[len("request: "):])
                    except (RuntimeError, OSError) as e:
                        answer = f"failed: {e}"
                    qemu.stdin.write(answer.encode() + b"\n")
                    qemu.stdin.flush()
                elif said.startswith("done: "):
                    verdict = said[len("done: "):]
    finally:
        if qemu.poll() is None:
            try:
                qemu.wait(timeout=10 if verdict is not None else 0)
            except subprocess.TimeoutExpired:
                qemu.kill()
                qemu.wait()
    if not booted:
        fail(f"the virtual machine ended without booting (QEMU exit status {qemu.returncode}; "
             "its console is above)")
    if verdict is None:
        fail("the guest ended without reporting its checks")
    return verdict


def main():
    if len(sys.argv) != 2:
        fail("usage: run-vm.py BUILD_DIR")
    build = sys.argv[1]
    if not shutil.which("qemu-system-x86_64"):
        fail("qemu-system-x86_64 not found (Debian package qemu-system-x86; "
             "bash scripts/zrso.sh deps installs it)")
    kernel, version = find_kernel()
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="zrso-vm-") as work:
        env_file = os.path.join(work, "vm.env")
        with open(env_file, "w") as f:
            for key, value in ARRAY.items():
                f.write(f"{key}={value}\n")
            for disk in DISKS + [HOTPLUG]:
                f.write(f"{disk['id']}_NAA={disk['naa']}\n")
            # A sanitizer build's programs behave in the guest as here.
            for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS"):
                if name in os.environ:
                    f.write(f"export {name}='{os.environ[name]}'\n")
        initrd = os.path.join(work, "initrd.cpio")
        build_script = os.path.join(HERE, "build-initramfs.sh")
        result = subprocess.run(["bash", build_script, build, version,
                                 os.path.join(HERE, "guest-checks.sh"), initrd, env_file])
        if result.returncode != 0:
            fail("the initramfs could not be built")
        print(f"RealKernel: kernel {version}, initramfs of "
              f"{os.path.getsize(initrd) >> 20} MiB built in {time.monotonic() - started:.1f} s",
              flush=True)
        qmp_path = os.path.join(work, "qmp")
        verdict = run_guest(qemu_command(kernel, initrd, qmp_path), qmp_path, time.monotonic())
    took = time.monotonic() - started
    print(f"RealKernel: {verdict} ({took:.1f} s in all)", flush=True)
    checks, failed = (int(part.split()[0]) for part in verdict.split(", "))
    sys.exit(0 if checks > 0 and failed == 0 else 1)


if __name__ == "__main__":
    main()
