#!/usr/bin/env bash
# quorvane-host on a small generated clip: export and import through both plug-in modules, frames
# compared exactly where the subtype keeps them, written pictures equal to the inputs, and the
# failures a user meets reported as one line naming the step.
#
# Usage: quorvane_host_roundtrip.sh PATH/TO/quorvane-host
set -uo pipefail
host=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { failed=1; echo "FAIL $*"; }

expect_line() { # label pattern output
    grep -qE "$2" <<<"$3" && echo "ok   $1" || fail "$1: no line matching '$2' in: $3"
}

"$host" generate --size 48x32 --frames 5 "$work/rgb" >/dev/null || fail "generate RGB"
"$host" generate --size 48x32 --frames 3 --alpha "$work/rgba" >/dev/null || fail "generate RGBA"

out=$("$host" export --subtype Q8RG --render bgrx --audio 0.2 --out "$work/a.avi" "$work"/rgb/*.ppm 2>&1) ||
    fail "export Q8RG: $out"
expect_line "export Q8RG summary" '^export: 6 frames 48x32 Q8RG \(rendered as bgrx\) at 30 fps with 0.2 s' "$out"
# Six frames for 0.2 s of audio: the last one black. The first five come back exactly.
out=$("$host" import --format bgrx --compare "$work"/rgb/*.ppm --write "$work/back" "$work/a.avi" 2>&1) ||
    fail "import Q8RG: $out"
expect_line "import Q8RG summary" '^import: 6 frames 48x32 Q8RG as bgrx \(sync\), 9600 audio sample frames \(2 ch, 48000 Hz\).*compare: 5/5 frames exact' "$out"
for n in 0 4; do
    cmp -s "$work/rgb/frame_0000$n.ppm" "$work/back/frame_0000$n.ppm" && echo "ok   written frame $n" ||
        fail "written frame $n differs from its input"
done

out=$("$host" export --subtype Q8RA --render bgra --fps 25 --repeat 2 --out "$work/b.avi" "$work"/rgba/*.pam 2>&1) ||
    fail "export Q8RA: $out"
expect_line "export Q8RA summary" '^export: 6 frames 48x32 Q8RA \(rendered as bgra\) at 25 fps -> .*raw RGBA,' "$out"
out=$("$host" import --async --compare "$work"/rgba/*.pam --repeat 2 "$work/b.avi" 2>&1) || fail "import Q8RA: $out"
expect_line "import Q8RA async, alpha exact" 'Q8RA as .* \(async\), no audio.*compare: 6/6 frames exact' "$out"

out=$("$host" export --subtype Q8Y0 --out "$work/c.avi" "$work"/rgb/*.ppm 2>&1) || fail "export Q8Y0: $out"
out=$("$host" import --compare "$work"/rgb/*.ppm "$work/c.avi" 2>&1) || fail "import Q8Y0: $out"
expect_line "import Q8Y0 reports PSNR" 'Q8Y0 as .*compare: PSNR min [3-9][0-9]\.[0-9]+ dB' "$out"

# A frame that is not the input: the comparison fails and says where.
cp "$work/rgb/frame_00003.ppm" "$work/other.ppm"
out=$("$host" import --compare "$work"/rgb/frame_0000{0,1}.ppm "$work/other.ppm" "$work/a.avi" 2>&1) &&
    fail "a mismatch passed"
expect_line "mismatch named" 'mismatch: frame 2 \(.*other.ppm\) differs' "$out"

# Failures: one line naming the step and the plug-in's answer, a non-zero status.
head -c 4000 /dev/urandom >"$work/noise.avi"
out=$("$host" import "$work/noise.avi" 2>&1) && fail "a file of noise imported"
expect_line "noise refused at a named step" '^quorvane-host: import failed at (imOpenFile8|imGetInfo8): im[A-Za-z]+ \([0-9-]+\)$' "$out"
out=$("$host" export --subtype Q8XX --out "$work/d.avi" "$work"/rgb/*.ppm 2>&1) && fail "an unknown subtype exported"
expect_line "unknown subtype named" "subtype 'Q8XX' is not offered; the exporter offers .*Q8RG" "$out"
"$host" generate --size 47x32 --frames 1 "$work/odd" >/dev/null
out=$("$host" export --subtype Q8Y0 --render yuy3 --out "$work/e.avi" "$work"/odd/*.ppm 2>&1) && fail "odd width for 4:2:0 exported"
expect_line "odd width refused by the exporter" '^quorvane-host: export failed at exSelExport: exportReturn_ErrLastErrorSet \(20\) \(.*Width must be divisible by 2\)$' "$out"
out=$("$host" import --format v210 "$work/a.avi" 2>&1) && fail "a format not offered was used"
expect_line "format not offered named" "does not offer 'v210' for .*; offered: .*bgrx" "$out"

exit $failed
