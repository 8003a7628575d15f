#!/usr/bin/env bash
# The thread team and its barrier under ThreadSanitizer. Only the codec's unit tests are built,
# and only the threading tests run, so this stays quick as the project grows.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset tsan >/dev/null
cmake --build --preset tsan --target test_codec
ctest --preset tsan -R '^(ThreadTeam|ThreadBarrier)\.'
