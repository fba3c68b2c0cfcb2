#!/usr/bin/env bash
# Regenerates the stored tables into a scratch folder and compares them with the committed
# charset/tables/ byte for byte. Exit status 0: identical; 1: they differ; 2: tools missing.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
bash "$here/generate.sh" "$scratch"
if diff -r "$root/charset/tables" "$scratch/charset/tables" >"$scratch/diff.txt"; then
  echo "codepage-gen check: charset/tables matches the generator output"
else
  head -n 40 "$scratch/diff.txt" >&2
  echo "codepage-gen check: charset/tables differs from the generator output (run tools/codepage-gen/generate.sh)" >&2
  exit 1
fi
