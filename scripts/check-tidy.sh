#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) over every source file of the tree in a build's compile
# database; fails on any finding. Usage: scripts/check-tidy.sh [BUILD_DIR] (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build}
ORVANE_WITH_TIDY=1 ./scripts/install-deps.sh
if [[ ! -f $build/compile_commands.json ]]; then
    echo "check-tidy: $build/compile_commands.json is missing: build the tree first (./test.sh)" >&2
    exit 2
fi
# The product's own sources: not the toolkit's generated files, not the tests, fuzz targets and
# benchmarks (which hold the code to its promises and are not shipped).
mapfile -t files < <(grep -o '"file": *"[^"]*"' "$build/compile_commands.json" | sed 's/.*"\([^"]*\)"$/\1/' |
    grep "^$root/" | grep -v -e '_autogen/' -e "^$root/tests/" -e "^$root/bench/" | sort -u)
echo "check-tidy: ${#files[@]} files"
run-clang-tidy -quiet -p "$build" -j "$(nproc)" "${files[@]}" > "$build/clang-tidy.log" 2>&1 || status=$?
if grep -q -e 'warning:' -e 'error:' "$build/clang-tidy.log" || [[ ${status:-0} -ne 0 ]]; then
    grep -A3 -e 'warning:' -e 'error:' "$build/clang-tidy.log" | head -200
    echo "check-tidy: findings above (whole log: $build/clang-tidy.log)" >&2
    exit 1
fi
echo "check-tidy: no findings"
