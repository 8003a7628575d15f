#!/usr/bin/env bash
# quorvane-host on a small generated clip, several subtypes: each export is imported back through
# the importer (frames compared with the pictures: exactly for the RGB subtypes, by PSNR for the
# YUV ones) and read by independent readers: GStreamer's avidemux in push mode (from a pipe) and
# pull mode (by the indexes), a remux by mkvmerge read back by matroskademux, and what exiftool and
# mediainfo report about frames, size, rate, FourCC and audio. Every video chunk the readers deliver
# must be byte-identical to the chunk the file's index points at, and the audio bytes likewise.
#
# Run from the repository root after the release build. Takes a few seconds.
set -euo pipefail

bash tools/deps.sh gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good \
    mediainfo mkvtoolnix libimage-exiftool-perl

cmake --build build/release --target quorvane-host avi_chunks >/dev/null
host=build/release/tools/quorvane_host/quorvane-host
chunks=build/release/tools/quorvane_host/avi_chunks
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

source tools/ci/lib/readers.bash

demux() { # out-dir audio(yes|no) demuxer source-args...
    local out=$1 audio=$2 demuxer=$3
    shift 3
    rm -rf "$out" && mkdir -p "$out/v" "$out/a"
    local branches=(d.video_0 ! queue ! multifilesink location="$out/v/%06d.bin")
    [ "$audio" = yes ] && branches+=(d.audio_0 ! queue ! multifilesink location="$out/a/%06d.bin")
    timeout 120 gst-launch-1.0 -q "$@" ! "$demuxer" name=d "${branches[@]}" >"$out.log" 2>&1
}

"$host" generate --size 64x48 --frames 12 "$work/rgb" >/dev/null
"$host" generate --size 64x48 --frames 4 --alpha "$work/rgba" >/dev/null
rgb=("$work"/rgb/*.ppm)
rgba=("$work"/rgba/*.pam)

# name subtype frames exif-rate mediainfo-rate audio-seconds export-args -- import-args
roundtrip() {
    local name=$1 subtype=$2 frames=$3 exif_rate=$4 mi_rate=$5 seconds=$6
    shift 6
    local export_args=() import_args=()
    while [ "$1" != -- ]; do export_args+=("$1"); shift; done
    shift
    import_args=("$@")
    local f=$work/$name audio=no
    [ "$seconds" != 0 ] && audio=yes
    echo "== $name: $subtype, $frames frames"

    local line
    if ! line=$("$host" export --subtype "$subtype" --out "$f.avi" "${export_args[@]}" 2>&1); then
        fail "export: $line"
        return
    fi
    check "export summary" "$(sed -E 's/^export: ([0-9]+) frames ([0-9x]+) ([A-Z0-9]+) .*/\1 \2 \3/' <<<"$line")" \
        "$frames 64x48 $subtype"
    if line=$("$host" import "${import_args[@]}" "$f.avi" 2>&1); then
        pass "import: ${line#*compare: }"
    else
        fail "import: $line"
    fi

    "$chunks" "$f.avi" 0 "$f.video"
    check "index: video chunks" "$(wc -l <"$f.video.sizes")" "$frames"
    local samples=0
    if [ "$audio" = yes ]; then
        "$chunks" "$f.avi" 1 "$f.audio"
        samples=$(($(stat -c %s "$f.audio.bin") / 4))
        check "index: audio sample frames" "$samples" \
            "$(awk -v n="$frames" -v r="$exif_rate" -v m="$mi_rate" 'BEGIN { printf "%d", n / m * 48000 }')"
    fi

    if cat "$f.avi" | demux "$work/push" $audio avidemux fdsrc fd=0; then
        same_chunks "avidemux push, video" "$work/push/v" "$f.video"
        [ "$audio" = yes ] && same_chunks "avidemux push, audio" "$work/push/a" "$f.audio"
    else
        fail "avidemux push: $(tail -1 "$work/push.log")"
    fi
    if demux "$work/pull" $audio avidemux filesrc location="$f.avi"; then
        same_chunks "avidemux pull, video" "$work/pull/v" "$f.video"
        [ "$audio" = yes ] && same_chunks "avidemux pull, audio" "$work/pull/a" "$f.audio"
    else
        fail "avidemux pull: $(tail -1 "$work/pull.log")"
    fi
    if timeout 120 mkvmerge -q -o "$f.mkv" "$f.avi" >"$work/mkvmerge.log" 2>&1 &&
        demux "$work/mkv" $audio matroskademux filesrc location="$f.mkv"; then
        same_chunks "mkvmerge + matroskademux, video" "$work/mkv/v" "$f.video"
        [ "$audio" = yes ] && same_bytes "mkvmerge + matroskademux, audio" "$work/mkv/a" "$f.audio"
    else
        fail "mkvmerge + matroskademux: $(tail -1 "$work/mkvmerge.log" "$work/mkv.log" 2>/dev/null | tail -1)"
    fi

    local want_exif="$frames|$subtype|$exif_rate|64|48|" want_mi_audio=""
    [ "$audio" = yes ] && want_exif+="48000|2|16|$samples|" && want_mi_audio="|PCM|2|16|48000|$((samples * 4))"
    check "exiftool" \
        "$(exiftool -s3 -FrameCount -VideoCodec -VideoFrameRate -ImageWidth -ImageHeight -AudioSampleRate \
            -NumChannels -BitsPerSample -AudioSampleCount "$f.avi" | tr '\n' '|')" "$want_exif"
    local got_mi_audio=""
    [ "$audio" = yes ] &&
        got_mi_audio="|$(mediainfo --Inform='Audio;%Format%|%Channel(s)%|%BitDepth%|%SamplingRate%|%StreamSize%' "$f.avi")"
    check "mediainfo" \
        "$(mediainfo --Inform='General;%Format%' "$f.avi")|$(mediainfo --Inform='Video;%CodecID%|%FrameCount%|%Width%x%Height%|%FrameRate%' "$f.avi")$got_mi_audio" \
        "AVI|$subtype|$frames|64x48|$mi_rate$want_mi_audio"
}

# 8-bit RGB with audio, imported frame by frame: exact.
roundtrip q8rg Q8RG 12 30 30.000 0.4 --audio 0.4 "${rgb[@]}" -- --compare "${rgb[@]}"
# RGBA three times over at 25 fps, with a second of audio: 13 black frames follow the clip.
# Imported through the asynchronous importer: colour and alpha exact.
roundtrip q8ra Q8RA 25 25 25.000 1 --render bgra --fps 25 --audio 1 --repeat 3 "${rgba[@]}" -- \
    --async --compare --repeat 3 "${rgba[@]}"
# 4:2:0 at 29.97 fps from the host's YUV 4:2:2: a PSNR.
roundtrip q8y0 Q8Y0 12 29.97 29.970 0.4 --fps 30000/1001 --audio 0.4 "${rgb[@]}" -- --compare "${rgb[@]}"
# 4:2:2 from UYVY (BT.709) at 50 fps, decoded into UYVY again through the asynchronous importer.
roundtrip q8y2 Q8Y2 12 50 50.000 0.24 --render uyv7 --fps 50 --audio 0.24 "${rgb[@]}" -- --format uyv7 --async --compare "${rgb[@]}"
# 10-bit RGB from the host's 10-bit RGB, video only, at 24 fps: exact.
roundtrip q0rg Q0RG 12 24 24.000 0 --fps 24 "${rgb[@]}" -- --async --compare "${rgb[@]}"

echo "host-readers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
