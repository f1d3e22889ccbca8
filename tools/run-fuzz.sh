#!/usr/bin/env bash
# Runs every fuzz target of a build (executables named fuzz_*) over a copy of its seed corpus,
# fuzz/corpus/<name without fuzz_>/, for SECONDS seconds each. One summary line per target;
# a failing target's error lines are shown, and its log and crashing inputs are kept in
# BUILD_DIR/fuzz-artifacts/<target>/.
# Usage: tools/run-fuzz.sh BUILD_DIR SECONDS
set -uo pipefail

if [[ $# -ne 2 || ! "$2" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)

targets=()
for f in "$build"/fuzz_*; do
  [[ -f "$f" && -x "$f" ]] && targets+=("$f")
done
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "no fuzz targets (fuzz_*) in $build" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
for target in "${targets[@]}"; do
  name=$(basename "$target")
  dir="$work/$name"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  seeds="$root/fuzz/corpus/${name#fuzz_}"
  [[ -d "$seeds" ]] && cp -R "$seeds/." "$dir/corpus/"

  if "$target" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
       -artifact_prefix="$dir/artifacts/" "$dir/corpus" >"$dir/log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$dir/log" | tail -n 1)
    echo "$name: ok, ${runs:-?} inputs in ${seconds}s"
    passed=$((passed + 1))
  else
    kept="$build/fuzz-artifacts/$name"
    mkdir -p "$kept"
    cp -R "$dir/artifacts/." "$kept/" 2>/dev/null
    cp "$dir/log" "$kept/log.txt"
    echo "$name: FAILED (log and inputs kept in $kept)"
    grep -m 8 -E 'runtime error|ERROR:|SUMMARY:|check failed' "$dir/log" | sed 's/^/    /'
    failed=$((failed + 1))
  fi
done

echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
