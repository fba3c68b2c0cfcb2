#!/usr/bin/env bash
# Runs the libFuzzer targets of fuzz/ for a fixed time each, starting from the committed seed
# corpus (fuzz/corpus/<target>/), which is only read: new inputs go to a working corpus under
# the build folder, crash and leak inputs to its artifacts folder.
#
#   scripts/fuzz-run.sh [-b BUILD_DIR] [-t SECONDS] [-r RUNS] [-s SEED] [target ...]
#
# -r stops a target after RUNS executions if that comes before SECONDS.
# A fixed seed (-s) makes a run walk the same inputs each time, so that a short run in CI
# either finds something every time or never; without it libFuzzer picks a new seed.
#
# Builds the targets first (clang, -DVK_FUZZ=ON). Without target names every target runs.
# Prints one line per target (executions, coverage, features, corpus) and exits non-zero when
# any target found a crash, a leak, a sanitizer report or a broken invariant.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-fuzz
seconds=15
seed=0
runs_limit=-1
while getopts "b:t:r:s:" option; do
  case $option in
    b) build=$OPTARG ;;
    t) seconds=$OPTARG ;;
    s) seed=$OPTARG ;;
    r) runs_limit=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target vk_fuzz -j"$(nproc)" >/dev/null

targets=("$@")
if ((${#targets[@]} == 0)); then
  for source in fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

failed=0
for target in "${targets[@]}"; do
  work="$build/fuzz-work/$target"
  mkdir -p "$work/corpus" "$work/artifacts"
  log="$work/last-run.log"
  status=0
  started=$SECONDS
  # -rss_limit_mb keeps a runaway allocation a finding rather than a machine-wide problem.
  "$build/fuzz/$target" -max_total_time="$seconds" -runs="$runs_limit" -print_final_stats=1 \
    -rss_limit_mb=2048 -seed="$seed" \
    -timeout=25 -artifact_prefix="$work/artifacts/" "$work/corpus" "fuzz/corpus/$target" \
    >"$log" 2>&1 || status=$?
  elapsed=$((SECONDS - started))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
  if ((status != 0)); then
    failed=1
    echo "FAIL $target (exit $status); log: $log"
    grep -E 'ERROR|SUMMARY|invariant broken|Test unit written' "$log" | head -5 || true
  else
    echo "ok   $target: ${runs:-?} runs in ${elapsed}s, cov ${cov:-?}, ft ${ft:-?}, corpus ${corp:-?}"
  fi
done
exit $failed
