#!/usr/bin/env bash
# The asynchronous importer under ThreadSanitizer: request threads reading and decoding while
# several host threads announce, collect and flush frames. Only the importer's tests are built
# (with the two plug-in modules they load), and only its asynchronous tests run.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset tsan >/dev/null
cmake --build --preset tsan --target test_importer
ctest --preset tsan -R '^Async\.'
