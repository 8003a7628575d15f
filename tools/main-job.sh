#!/usr/bin/env bash
# Builds the release configuration and runs the main job on generated input.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
./build/release/bench/huffman_bench
