#!/usr/bin/env bash
# Builds Orvane and shows the models of the sample catalog.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target orvanectl
echo "Models of res/OrvaneModel.txt (index, name, model id):"
./build/bin/orvanectl --dir res models
