#!/usr/bin/env bash
# A file exported through the exporter plug-in in the stand-in host (70 frames of 64x48 at 30 fps,
# Q8RG, stereo 48 kHz 16-bit, one frame repeated), read by independent readers: GStreamer's
# avidemux in push mode (from a pipe) and pull mode (by the indexes), a remux by mkvmerge read back
# by matroskademux, and what exiftool and mediainfo report about frames, size, rate and audio.
#
# Run from the repository root after the release build. Takes a few seconds.
set -euo pipefail

bash tools/deps.sh gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good \
    mediainfo mkvtoolnix libimage-exiftool-perl

cmake --build build/release --target standin_export >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/release/tools/standin_host/standin_export sample "$work" >/dev/null
f=$work/export

source tools/ci/lib/readers.bash

demux() { # out-dir demuxer source-args...
    local out=$1 demuxer=$2
    shift 2
    rm -rf "$out" && mkdir -p "$out/v" "$out/a"
    timeout 120 gst-launch-1.0 -q "$@" ! "$demuxer" name=d \
        d.video_0 ! queue ! multifilesink location="$out/v/%06d.bin" \
        d.audio_0 ! queue ! multifilesink location="$out/a/%06d.bin" >"$out.log" 2>&1
}

echo "== exported Q8RG file"
check "index: video chunks" "$(wc -l <"$f.video.sizes")" 70
check "index: empty video chunks" "$(grep -c '^0$' "$f.video.sizes")" 2
check "index: audio chunk sizes" "$(tr '\n' ' ' <"$f.audio.sizes")" "192000 192000 64000 "

if cat "$f.avi" | demux "$work/push" avidemux fdsrc fd=0; then
    same_chunks "avidemux push, video" "$work/push/v" "$f.video"
    same_chunks "avidemux push, audio" "$work/push/a" "$f.audio"
else
    fail "avidemux push: $(tail -1 "$work/push.log")"
fi

if demux "$work/pull" avidemux filesrc location="$f.avi"; then
    same_chunks "avidemux pull, video" "$work/pull/v" "$f.video"
    same_chunks "avidemux pull, audio" "$work/pull/a" "$f.audio"
else
    fail "avidemux pull: $(tail -1 "$work/pull.log")"
fi

if timeout 120 mkvmerge -q -o "$f.mkv" "$f.avi" >"$work/mkvmerge.log" 2>&1 &&
    demux "$work/mkv" matroskademux filesrc location="$f.mkv"; then
    same_chunks "mkvmerge + matroskademux, video" "$work/mkv/v" "$f.video"
    same_bytes "mkvmerge + matroskademux, audio" "$work/mkv/a" "$f.audio"
else
    fail "mkvmerge + matroskademux: $(tail -1 "$work/mkvmerge.log" "$work/mkv.log" 2>/dev/null | tail -1)"
fi

check "exiftool" \
    "$(exiftool -s3 -FrameCount -StreamCount -VideoCodec -VideoFrameRate -ImageWidth -ImageHeight -AudioSampleRate \
        -NumChannels -BitsPerSample -AudioSampleCount "$f.avi" | tr '\n' '|')" \
    "70|2|Q8RG|30|64|48|48000|2|16|112000|"
# mediainfo counts audio samples from a duration in whole milliseconds; the stream size is exact.
check "mediainfo" \
    "$(mediainfo --Inform='General;%Format%' "$f.avi")|$(mediainfo --Inform='Video;%CodecID%|%FrameCount%|%Width%x%Height%|%FrameRate%' "$f.avi")|$(mediainfo --Inform='Audio;%Format%|%Channel(s)%|%BitDepth%|%SamplingRate%|%StreamSize%' "$f.avi")" \
    "AVI|Q8RG|70|64x48|30.000|PCM|2|16|48000|448000"

echo "exported-avi-readers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
