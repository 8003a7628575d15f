#!/usr/bin/env bash
# Runs the codec benchmark (build/release/bench/codec_bench) on its default input: the real
# photographs in corpus/frames when they are there, otherwise pictures the benchmark generates.
# Arguments are passed on to the benchmark (see the top of bench/codec_bench.cpp); given files or
# folders replace the default input. Expects a built release tree (tools/main-job.sh builds it).
set -euo pipefail
cd "$(dirname "$0")/.."

bench=build/release/bench/codec_bench
frames=corpus/frames
if [ ! -x "$bench" ]; then
    echo "error: $bench is missing; build with: cmake --preset release && cmake --build --preset release" >&2
    exit 1
fi

has_files=0
for arg in "$@"; do
    case "$arg" in
    --*) ;;
    *) [ -e "$arg" ] && has_files=1 ;;
    esac
done
if [ "$has_files" -eq 1 ]; then
    exec "$bench" "$@"
fi
if compgen -G "$frames/*.ppm" >/dev/null || compgen -G "$frames/*.pam" >/dev/null; then
    echo "Benchmark input: the frames in $frames"
    exec "$bench" "$@" "$frames"
fi
echo "Benchmark input: generated pictures ($frames holds no .ppm or .pam frames)"
exec "$bench" "$@"
