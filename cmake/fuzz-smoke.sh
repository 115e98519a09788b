#!/usr/bin/env bash
# Runs every libFuzzer target of build/fuzz for a short fixed time, starting
# from its seed corpus when there is one. Fails on the first crash.
set -euo pipefail
seconds=${FUZZ_SECONDS:-20}
top=$(cd "$(dirname "$0")/.." && pwd)
list=$top/build/fuzz/fuzzers.txt
[ -s "$list" ] || { echo "fuzz-smoke: no fuzz targets"; exit 0; }
while read -r name; do
  [ -n "$name" ] || continue
  work=$top/build/fuzz/work/$name
  mkdir -p "$work"
  corpus=()
  [ -d "$top/fuzz/corpus/$name" ] && corpus=("$top/fuzz/corpus/$name")
  echo "fuzz-smoke: $name for ${seconds}s"
  "$top/build/fuzz/fuzz/$name" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$work/" "$work" "${corpus[@]}" >"$work/log" 2>&1 || {
    tail -n 40 "$work/log"
    echo "fuzz-smoke: $name failed; the input is in $work/"
    exit 1
  }
done <"$list"
