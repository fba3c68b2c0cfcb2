#!/usr/bin/env bash
# Long fuzzing runs, for people (the CI runs each target for seconds only): every target, or
# the ones named, for SECONDS each (default 1800), one after another at the lowest priority so
# that the machine stays usable. The working corpus under build-fuzz/fuzz-work/<target>/ is
# kept between runs, so each run starts where the last one stopped; findings land in its
# artifacts/ folder. A summary line per target goes to build-fuzz/fuzz-work/long-runs.txt.
#
#   scripts/fuzz-long.sh [-t SECONDS] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=1800
while getopts "t:" option; do
  case $option in
    t) seconds=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
mkdir -p build-fuzz/fuzz-work
nice -n 19 scripts/fuzz-run.sh -b build-fuzz -t "$seconds" "$@" |
  while IFS= read -r line; do
    echo "$line"
    echo "$(date -u +%Y-%m-%dT%H:%MZ) $line" >>build-fuzz/fuzz-work/long-runs.txt
  done
exit "${PIPESTATUS[0]}"
