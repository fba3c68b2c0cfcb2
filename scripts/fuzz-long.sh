#!/usr/bin/env bash
# Long fuzzing runs, for people (the CI runs each target for seconds only): every target, or
# the ones named, for SECONDS each (default 1800) or RUNS executions (default 10 million),
# whichever comes first, one after another at the lowest priority so
# that the machine stays usable. The working corpus under build-fuzz/fuzz-work/<target>/ is
# kept between runs, so each run starts where the last one stopped; findings land in its
# artifacts/ folder. A summary line per target goes to build-fuzz/fuzz-work/long-runs.txt.
#
#   scripts/fuzz-long.sh [-t SECONDS] [-r RUNS] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=1800
runs=10000000
while getopts "t:r:" option; do
  case $option in
    t) seconds=$OPTARG ;;
    r) runs=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
mkdir -p build-fuzz/fuzz-work
nice -n 19 scripts/fuzz-run.sh -b build-fuzz -t "$seconds" -r "$runs" "$@" |
  while IFS= read -r line; do
    echo "$line"
    echo "$(date -u +%Y-%m-%dT%H:%MZ) $line" >>build-fuzz/fuzz-work/long-runs.txt
  done
exit "${PIPESTATUS[0]}"
