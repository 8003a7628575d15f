#!/usr/bin/env bash
# Files made by our AVI writer, read by independent AVI readers: GStreamer's avidemux in push
# mode (from a pipe, scanning chunks) and pull mode (following the OpenDML indexes), pull mode on
# a copy whose OpenDML indexes are renamed so only idx1 is left, a remux by mkvmerge read back by
# matroskademux, and the frame counts and formats that exiftool and mediainfo report.
#
# Run from the repository root after the release build. Takes a few seconds.
set -euo pipefail

bash tools/deps.sh gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good \
    mediainfo mkvtoolnix libimage-exiftool-perl

writer=build/release/tests/container/avi_sample_writer
[ -x "$writer" ] || cmake --build build/release --target avi_sample_writer

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$writer" "$work"

source tools/ci/lib/readers.bash

demux() { # out-dir demuxer source-args...
    local out=$1 demuxer=$2
    shift 2
    rm -rf "$out" && mkdir -p "$out/v" "$out/a"
    timeout 120 gst-launch-1.0 -q "$@" ! "$demuxer" name=d \
        d.video_0 ! queue ! multifilesink location="$out/v/%06d.bin" \
        d.audio_0 ! queue ! multifilesink location="$out/a/%06d.bin" >"$out.log" 2>&1
}

check_file() { # name
    local name=$1 f=$work/$1
    echo "== $name.avi"

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

    # Rename every super index chunk: a reader is left with idx1, which covers the first RIFF.
    cp "$f.avi" "$f.idx1.avi"
    local renamed=0 at
    for at in $(grep -obUa 'indx' "$f.idx1.avi" | cut -d: -f1); do
        printf 'JUNK' | dd of="$f.idx1.avi" bs=1 seek="$at" conv=notrunc status=none
        renamed=$((renamed + 1))
    done
    [ "$renamed" -eq 2 ] && pass "idx1 copy: $renamed super indexes renamed" || fail "idx1 copy: $renamed super indexes renamed, 2 expected"
    if demux "$work/idx1" avidemux filesrc location="$f.idx1.avi"; then
        same_chunks "avidemux on idx1, video" "$work/idx1/v" "$f.video.first"
        same_chunks "avidemux on idx1, audio" "$work/idx1/a" "$f.audio.first"
    else
        fail "avidemux on idx1: $(tail -1 "$work/idx1.log")"
    fi

    if timeout 120 mkvmerge -q -o "$f.mkv" "$f.avi" >"$work/mkvmerge.log" 2>&1 &&
        demux "$work/mkv" matroskademux filesrc location="$f.mkv"; then
        same_chunks "mkvmerge + matroskademux, video" "$work/mkv/v" "$f.video"
        same_bytes "mkvmerge + matroskademux, audio" "$work/mkv/a" "$f.audio"
    else
        fail "mkvmerge + matroskademux: $(tail -1 "$work/mkvmerge.log" "$work/mkv.log" 2>/dev/null | tail -1)"
    fi

    local frames first samples
    frames=$(wc -l <"$f.video.sizes")
    first=$(wc -l <"$f.video.first.sizes")
    samples=$(($(stat -c %s "$f.audio.bin") / 4))
    local want_exif got_exif
    want_exif="$first|2|Q8RG|$frames|$frames|$samples"
    got_exif=$(exiftool -s3 -FrameCount -StreamCount -VideoCodec -VideoFrameCount -TotalFrameCount -AudioSampleCount "$f.avi" | tr '\n' '|')
    [ "$got_exif" = "$want_exif|" ] && pass "exiftool: $want_exif" || fail "exiftool: got $got_exif want $want_exif"

    local profile=""
    [ "$first" -lt "$frames" ] && profile=OpenDML
    local want_mi got_mi
    want_mi="AVI|$profile|Q8RG|$frames|320x240|PCM|$samples|2|16"
    got_mi="$(mediainfo --Inform='General;%Format%|%Format_Profile%' "$f.avi")|$(mediainfo --Inform='Video;%CodecID%|%FrameCount%|%Width%x%Height%' "$f.avi")|$(mediainfo --Inform='Audio;%Format%|%SamplingCount%|%Channel(s)%|%BitDepth%' "$f.avi")"
    [ "$got_mi" = "$want_mi" ] && pass "mediainfo: $want_mi" || fail "mediainfo: got $got_mi want $want_mi"
}

check_file small
check_file multi

echo "avi-readers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
