#!/usr/bin/env bash
# Builds the distribution zip twice into two folders and checks that both have the same bytes
# and hold exactly the disk's files, with no driver image.
#   dist-check.sh <zip name> <file>...
set -euo pipefail
name="$1"
shift
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
bash "$(dirname "$0")/dist-zip.sh" "$work/a/$name" "$@"
sleep 1  # a time stamp taken from the clock would now differ
bash "$(dirname "$0")/dist-zip.sh" "$work/b/$name" "$@"
a="$(sha256sum <"$work/a/$name" | cut -d' ' -f1)"
b="$(sha256sum <"$work/b/$name" | cut -d' ' -f1)"
echo "first:  $a"
echo "second: $b"
[ "$a" = "$b" ] || { echo "FAIL: two builds of $name differ" >&2; exit 1; }
listing="$(zip -sf "$work/a/$name" | sed -n 's/^  //p' | sort | tr '\n' ' ')"
expected="$(for f in "$@"; do basename "$f"; done | sort | tr '\n' ' ')"
echo "holds:  $listing"
[ "$listing" = "$expected" ] || { echo "FAIL: expected $expected" >&2; exit 1; }
case " $listing" in *" "[Nn][Oo][Rr][Vv][Oo].[Ss][Yy][Ss]" "*) echo "FAIL: holds a driver image" >&2; exit 1 ;; esac
# The programs themselves must be reproducible too: a PE header carrying the build's time
# would make every build's disk differ.
for f in "$@"; do
  case "$f" in
    *.exe|*.cpl)
      pe="$(od -An -tu4 -j60 -N4 "$f" | tr -d ' ')"
      stamp="$(od -An -tu4 -j$((pe + 8)) -N4 "$f" | tr -d ' ')"
      echo "time stamp of $(basename "$f"): $stamp"
      [ "$stamp" = 0 ] || { echo "FAIL: $(basename "$f") carries a link time stamp" >&2; exit 1; } ;;
  esac
done
echo "ok"
