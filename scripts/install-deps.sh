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
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
