#!/usr/bin/env bash
# The engine's parallel passes under ThreadSanitizer: identical bytes across thread counts, two
# handles at once, and one handle shared by two threads.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset tsan >/dev/null
cmake --build --preset tsan --target test_codec
ctest --preset tsan -R '^(RoundTrip\.SameBytesForEveryThreadCount|RoundTrip\.OneHandleFromTwoThreads|Locks\..*|Hostile\.FrameReaderRules)$'
