# Shared by the checks that read our AVI files with independent readers: a pass/fail tally and the
# comparisons of what a demuxer delivered with what the file holds. Sourced, not run.

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "  ok   $*"; }
fail() { failed=$((failed + 1)); echo "  FAIL $*"; }
check() { # label got want
    [ "$2" = "$3" ] && pass "$1: $3" || fail "$1: got $2, want $3"
}

# The buffers a demuxer wrote (one file each, in order) against the file's own chunks: every
# non-empty chunk with its size and bytes. Readers drop the empty chunks of repeated frames, which
# carry no bytes.
same_chunks() { # label dir expected-prefix
    local label=$1 dir=$2 want=$3 got_sizes want_sizes
    got_sizes=$(find "$dir" -type f -printf '%f %s\n' | sort | cut -d' ' -f2 | tr '\n' ' ')
    want_sizes=$(grep -v '^0$' "$want.sizes" | tr '\n' ' ' || true)
    if [ "$got_sizes" != "$want_sizes" ]; then
        fail "$label: $(echo "$got_sizes" | wc -w) chunks delivered, $(echo "$want_sizes" | wc -w) expected"
    elif ! find "$dir" -type f | sort | xargs cat | cmp -s - "$want.bin"; then
        fail "$label: chunk bytes differ"
    else
        pass "$label: $(echo "$want_sizes" | wc -w) chunks byte-identical"
    fi
}

# Only the bytes, for readers that cut audio into packets of their own.
same_bytes() { # label dir expected-prefix
    if find "$2" -type f | sort | xargs cat | cmp -s - "$3.bin"; then pass "$1: bytes identical"; else fail "$1: bytes differ"; fi
}
