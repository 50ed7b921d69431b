#!/usr/bin/env bash
# Packs files into a zip reproducibly: the same files give the same bytes. Each file goes to
# the zip's root under its own name, in the order given, with a fixed time stamp and mode and
# no extra fields (no Unix times or owners).
#   dist-zip.sh <out.zip> <file>...
set -euo pipefail
out="$1"
shift
stamp="${NORVO_DIST_DATE:-2026-01-01 00:00:00}"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
names=()
for f in "$@"; do
  name="$(basename "$f")"
  cp "$f" "$stage/$name"
  chmod 644 "$stage/$name"
  TZ=UTC touch -d "$stamp" "$stage/$name"
  names+=("$name")
done
mkdir -p "$(dirname "$out")"
out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
rm -f "$out"
(cd "$stage" && TZ=UTC zip -X -D -q -9 "$out.tmp" "${names[@]}")
mv "$out.tmp" "$out"
