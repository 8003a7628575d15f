#!/usr/bin/env bash
# Every compress binding through the engine's thread team under ThreadSanitizer: the round-trip
# fuzz corpus (each binding at two sizes, 1, 2 and 4 threads, flipped, interlaced, with padded
# strides) replayed by the TSan build, and the backends' objects shared by several threads.
# The thread team itself and the engine's handle tests are 10- and 20-tsan-*.sh.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset tsan >/dev/null
cmake --build --preset tsan --target fuzz_round_trip test_codec_backends
ctest --preset tsan --no-tests=error -R '^(FuzzCorpus\.round_trip|BackendConcurrency\..*)$'
