#!/usr/bin/env bash
# Lines of hand-written code per top-level folder of a source tree (default: this repository).
#
# Counted: C and C++ sources and headers (.c .cc .cpp .h .hpp .inc), CMake files, shell, Python
# and JavaScript. A line counts when it holds something besides blanks and comment markers: lines
# that are empty or only a // or # comment, or inside a /* */ block, do not count.
# Left out: tests/, fuzz/ and bench/ (tests and measurements, not the product), the generated
# tables in charset/tables/, node_modules, and build folders (build*/).
#
# Usage: tools/line_counts.sh [TREE]
set -euo pipefail
tree=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$tree"
mapfile -t files < <(find . -type d \( -name 'build*' -o -name node_modules -o -name .git -o -path ./tests -o -path ./fuzz \
  -o -path ./bench -o -path ./charset/tables \) -prune -o -type f \
  \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.inc' \
  -o -name 'CMakeLists.txt' -o -name '*.cmake' -o -name '*.sh' -o -name '*.py' -o -name '*.js' \) \
  -print | sort)
awk '
  FNR == 1 {
    split(FILENAME, parts, "/")
    folder = FILENAME ~ /^\.\/[^\/]+$/ ? "(top)" : parts[2]
    block = 0
    c_like = FILENAME !~ /(\.sh|\.py|\.cmake|CMakeLists\.txt)$/
  }
  {
    line = $0
    sub(/^[ \t]+/, "", line)
    if (c_like) {
      if (block) { if (line ~ /\*\//) { block = 0; sub(/^.*\*\//, "", line); sub(/^[ \t]+/, "", line) } else next }
      if (line ~ /^\/\*/ && line !~ /\*\//) { block = 1; next }
      if (line ~ /^\/\*.*\*\/[ \t]*$/) next
      if (line ~ /^\/\//) next
    } else if (line ~ /^#/ && line !~ /^#!/) next
    if (line == "" || line ~ /^#!/) next
    count[folder]++
    total++
  }
  END {
    for (f in count) printf "%-12s %6d\n", f, count[f] | "sort"
    close("sort")
    printf "%-12s %6d\n", "total", total
  }' "${files[@]}"
