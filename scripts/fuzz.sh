#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang, libFuzzer and the address and
# undefined-behaviour sanitizers in build-fuzz/, then runs them one after another.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# Each target runs for SECONDS (default 60), or until FUZZ_RUNS executions when that is set,
# starting from its kept corpus tests/fuzz/corpus/<target>. New inputs collect in
# build-fuzz/corpus/<target>. An input that crashes or breaks a property is written to
# build-fuzz/findings/<target>/; keep it in tests/fuzz/corpus/<target> once it is fixed, so
# that the normal test run replays it. The script ends with status 1 when a target found
# something. Without TARGET, all of them.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
ORVANE_WITH_FUZZ=1 ORVANE_WITH_GUI=0 ./scripts/install-deps.sh

build=build-fuzz
# Absolute paths: the targets work in a directory of their own.
root=$PWD
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_FUZZ=ON \
    -DORVANE_BUILD_GUI=OFF -DORVANE_BUILD_BENCH=OFF >/dev/null
if (($# > 0)); then
    targets=("$@")
else
    mapfile -t targets < <(sed -n 's/^orvane_fuzz_target(\([a-z_]*\) .*/\1/p' tests/fuzz/CMakeLists.txt)
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

limits=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1)
if [[ -n "${FUZZ_RUNS:-}" ]]; then
    limits+=(-runs="$FUZZ_RUNS")
fi
# The targets write their inputs to files, and the writers sync them: keep that in memory.
if [[ -d /dev/shm && -w /dev/shm ]]; then
    export TMPDIR=/dev/shm
fi
failed=()
for target in "${targets[@]}"; do
    mkdir -p "$build/corpus/$target" "$build/findings/$target" "$build/logs"
    log="$build/logs/$target.log"
    # Streams and datagrams need no more than a few frames or one datagram to reach every
    # branch; longer inputs would only slow them down.
    case $target in
    frame_scanner | link_reply) length=(-max_len=512) ;;
    pjlink_reply) length=(-max_len=2048) ;;
    discovery_answer) length=(-max_len=1100) ;;
    *) length=() ;;
    esac
    echo "== $target (log: $log)"
    if "$root/$build/bin/fuzz_$target" "${limits[@]}" "${length[@]}" -artifact_prefix="$root/$build/findings/$target/" \
        "$root/$build/corpus/$target" "$root/tests/fuzz/corpus/$target" >"$log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^Done' "$log" || true
    else
        failed+=("$target")
        grep -E 'ERROR|property broken|SUMMARY|Test unit written' "$log" | head -n 8 || true
    fi
done
if ((${#failed[@]} > 0)); then
    echo "findings in: ${failed[*]}" >&2
    exit 1
fi
