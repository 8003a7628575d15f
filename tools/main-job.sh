#!/usr/bin/env bash
# Builds everything, then runs the main job: the codec benchmark on the same pictures
# (tools/bench.sh, also callable alone), then quorvane-host exports a clip through the exporter
# plug-in into a Quorvane AVI and imports it back through the importer plug-in, checking every
# frame against its picture. The clip is the photographs in corpus/frames when they have been
# fetched there (five times over, one second at 30 fps), else 30 generated 1920x1080 frames; each
# has a second of stereo test tone. Any arguments go to the export (--subtype Q8Y0, --render ...).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
# QOI and LZ4 only give the benchmark figures of other codecs; install them when we can.
if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null 2>&1; then
    bash tools/deps.sh libqoi-dev liblz4-dev || echo "note: QOI and LZ4 figures are skipped" >&2
fi
cmake --preset release >/dev/null
cmake --build --preset release
bash tools/bench.sh
echo
host=build/release/tools/quorvane_host/quorvane-host
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

shopt -s nullglob
frames=(corpus/frames/*.ppm)
if [ ${#frames[@]} -gt 0 ]; then
    echo "input: ${#frames[@]} photographs from corpus/frames"
    repeat=$(((30 + ${#frames[@]} - 1) / ${#frames[@]}))
else
    echo "input: generated frames (fetch the photographs into corpus/frames to use them)"
    "$host" generate --size 1920x1080 --frames 30 "$work/generated" >/dev/null
    frames=("$work"/generated/*.ppm)
    repeat=1
fi
"$host" export --audio 1 --repeat "$repeat" "$@" --out "$work/clip.avi" "${frames[@]}"
"$host" import --compare "${frames[@]}" --repeat "$repeat" "$work/clip.avi"
