#!/usr/bin/env bash
# On a machine whose kernel cannot execute 32-bit x86 programs, lets the kernel hand them to
# Debian's qemu-i386 user-mode emulator, so that 32-bit Wine starts at all (as root):
#   scripts/wine-on-qemu.sh        register the emulator for 32-bit x86 programs
#   scripts/wine-on-qemu.sh off    take it away again
# Wine then runs about a hundred times slower than on a machine that runs 32-bit code: a prefix
# takes ten minutes, and every Windows process about fifty seconds of processor time to start,
# and the emulator sometimes ends a process. That is enough to run the Win32 side of a few
# platform cases by hand, for example
#   WINEPREFIX=/tmp/prefix wine build/windows/platform_tests.exe --gtest_filter='SetupApi*'
# or a robot script whose waits are lengthened (wait 900, gone 300), but not the scenarios, whose
# robot gives windows seconds, nor the Windows suite: keep it off while the suite runs, or its
# Wine tests start and time out instead of being skipped. A server kept running
# (wineserver -p) spares each program the prefix's start-up of several minutes.
set -euo pipefail
misc=/proc/sys/fs/binfmt_misc
[ -f "$misc/register" ] || mount -t binfmt_misc binfmt_misc "$misc"
if [ "${1:-on}" = off ]; then
  [ ! -f "$misc/qemu-i386" ] || echo -1 >"$misc/qemu-i386"
  exit 0
fi
command -v qemu-i386-static >/dev/null || apt-get install -y qemu-user-static
[ -f "$misc/qemu-i386" ] || printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' >"$misc/register"
wine --version
