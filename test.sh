#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# ORVANE_SANITIZE=address,undefined (or thread) builds an instrumented tree in build-san-*/;
# ORVANE_WITH_GUI=0 leaves out the Qt front end and its tests.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
build=build
args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [[ -n "${ORVANE_SANITIZE:-}" ]]; then
    build=build-san-${ORVANE_SANITIZE//,/-}
    # Benchmarks mean nothing under a sanitizer.
    args+=(-DORVANE_SANITIZE="$ORVANE_SANITIZE" -DORVANE_BUILD_BENCH=OFF)
else
    # Warnings fail the plain build, here and in CI; the sanitizers' instrumentation makes the
    # compiler warn of what it cannot see through, so the instrumented build only reports them.
    args+=(-DORVANE_WERROR=ON)
fi
if [[ "${ORVANE_WITH_GUI:-1}" != 1 ]]; then
    build=$build-nogui
    args+=(-DORVANE_BUILD_GUI=OFF)
fi
cmake -S . -B "$build" "${args[@]}"
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
