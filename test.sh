#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# ORVANE_SANITIZE=address,undefined (or thread) builds an instrumented tree in build-san/.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
build=build
args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [[ -n "${ORVANE_SANITIZE:-}" ]]; then
    build=build-san-${ORVANE_SANITIZE//,/-}
    args+=(-DORVANE_SANITIZE="$ORVANE_SANITIZE")
fi
cmake -S . -B "$build" "${args[@]}"
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
