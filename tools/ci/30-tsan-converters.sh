#!/usr/bin/env bash
# The converters under ThreadSanitizer: blocks converted on several threads in the engine's phase
# order, and every converting binding through the engine's thread team.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset tsan >/dev/null
cmake --build --preset tsan --target test_codec_kernels
ctest --preset tsan -R '^(Converters\.BlockwiseEqualsWholeFrameAndReference|ConverterEndToEnd\.EveryConvertingBindingIsIndependentOfThreadCount)$'
