#!/usr/bin/env bash
# Installs the pinned source package and regenerates charset/tables/ in this repository
# (or under the root given as the first argument).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="${1:-$(cd "$here/../.." && pwd)}"
command -v node >/dev/null || { echo "generate.sh: node (20 or later) is required" >&2; exit 2; }
command -v bzip2 >/dev/null || { echo "generate.sh: the bzip2 program is required" >&2; exit 2; }
cd "$here"
npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >/dev/null
node generate.js --out "$root"
