#!/usr/bin/env bash
# Installs packages (Debian 12) when they are missing: the ones named on the command line, or
# with no arguments those the native build, tests and benchmarks need.
set -euo pipefail
if (($#)); then
  packages=("$@")
else
  packages=(cmake g++ make googletest libgtest-dev libbenchmark-dev libbz2-dev libicu-dev icu-devtools libssl-dev nodejs npm bzip2 tzdata clang libclang-rt-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
# nodejs from another source may provide npm itself.
if [[ " ${missing[*]} " == *" npm "* ]] && command -v npm >/dev/null; then
  missing=("${missing[@]/npm}")
fi
missing=($(printf '%s\n' "${missing[@]}" | grep -v '^$' || true))
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  # A mirror caught mid-sync answers with index files of the wrong size; a later try usually
  # gets a consistent set. When one index stays out of reach, the install goes on with the
  # indexes that did arrive and fails on its own if the packages are not among them.
  for try in 1 2 3; do
    apt-get update -qq && break
    if ((try == 3)); then
      echo "apt-get update failed three times; installing from the indexes at hand"
      break
    fi
    echo "apt-get update failed; trying again in $((try * 15)) s"
    sleep $((try * 15))
  done
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
