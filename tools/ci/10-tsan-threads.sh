#!/usr/bin/env bash
# The thread team and its barrier under ThreadSanitizer. Only the threading tests are built and
# run, so this stays quick as the project grows.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset tsan >/dev/null
cmake --build --preset tsan --target test_codec_threading
ctest --preset tsan -R '^(ThreadTeam|ThreadBarrier)\.'
