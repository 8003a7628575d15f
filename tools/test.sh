#!/usr/bin/env bash
# Builds the release configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release
