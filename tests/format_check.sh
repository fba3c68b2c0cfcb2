#!/usr/bin/env bash
# Every C++ source and header of the tree follows .clang-format (the generated tables in
# charset/tables/ and build folders left out). Prints the files that do not and fails.
#
# Usage: tests/format_check.sh [SOURCE_TREE] [CLANG_FORMAT]
set -euo pipefail
tree=${1:-$(cd "$(dirname "$0")/.." && pwd)}
clang_format=${2:-clang-format}
cd "$tree"
mapfile -t files < <(find . -type d \( -name 'build*' -o -name node_modules -o -name .git -o -path ./charset/tables \) -prune \
  -o -type f \( -name '*.cpp' -o -name '*.h' \) -print | sort)
((${#files[@]} > 100)) || { echo "only ${#files[@]} C++ files found under $tree" >&2; exit 1; }
unformatted=()
for f in "${files[@]}"; do
  "$clang_format" --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if ((${#unformatted[@]})); then
  printf 'not as .clang-format lays it out (clang-format -i FILE): %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "${#files[@]} C++ files follow .clang-format"
