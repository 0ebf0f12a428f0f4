#!/usr/bin/env bash
# engine-run refuses what would lose data or hang, with exit 1 and "error: <message>", and keeps
# file names as bytes.   engine_run_test.sh ENGINE_RUN
set -uo pipefail
run=$(realpath "$1")
dir=$(mktemp -d "${TMPDIR:-/tmp}/engine-run-test.XXXXXX")
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect_refusal TEXT ARGS...: exit 1, the error line holds TEXT, and nothing was printed as done.
expect_refusal() {
    local text=$1 code; shift
    timeout 20 "$run" "$@" > out.txt 2> err.txt; code=$?
    [ "$code" = 1 ] || fail "engine-run $* exited $code, expected 1: $(cat err.txt)"
    grep -qF "error: $text" err.txt || fail "engine-run $*: expected \"$text\", got: $(cat err.txt)"
}

head -c 3000000 /dev/urandom > a.bin
head -c 70000 /dev/urandom > b.bin
cp a.bin a.keep; cp b.bin b.keep
ln b.bin hl.bin

expect_refusal 'The output "hl.bin" is the same file as the input "b.bin"' hl.bin a.bin b.bin
expect_refusal 'The output "a.bin" is the same file as the input "a.bin"' a.bin a.bin
head -c 10 /dev/urandom > p02
expect_refusal 'The output part "p02" is the same file as the input "p02"' --part-size 1000000 'p??' a.bin p02
[ -e p01 ] && fail "a refused split created its first part"
cmp -s a.bin a.keep && cmp -s b.bin b.keep || fail "a refused job changed its input"

mkfifo fifo
expect_refusal '"fifo" is a FIFO (named pipe): only regular files and block devices can be read.' out.bin fifo
expect_refusal '"fifo" is a FIFO (named pipe): only regular files can be written.' fifo a.bin
expect_refusal '"/dev/zero" is a character device: only regular files and block devices can be read.' out.bin /dev/zero

# Readers share their files: "a a" is a twice.
"$run" aa.bin a.bin a.bin > /dev/null 2> err.txt || fail "merge of a a failed: $(cat err.txt)"
cat a.bin a.bin | cmp -s - aa.bin || fail "merge of a a differs from cat a a"

# The CRC describes the output.
line=$("$run" --crc c.bin a.bin) || fail "copy with --crc failed"
ref=$(python3 -c 'import sys, zlib; print("%08X" % (zlib.crc32(open(sys.argv[1], "rb").read(), 0xFFFFFFFF) ^ 0xFFFFFFFF))' c.bin 2> /dev/null)
[ -z "$ref" ] || [[ $line == "ok crc=$ref "* ]] || fail "CRC line $line does not describe c.bin ($ref)"

# Names are bytes.
name=$(printf 'n\xff.bin')
cp b.bin "$name"
"$run" "o$name" "$name" > /dev/null 2> err.txt || fail "a name with byte ff failed: $(cat err.txt)"
cmp -s "o$name" b.bin || fail "a name with byte ff was not copied exactly"

# A loop device is read with its real size (where loop devices can be set up).
head -c 1048576 /dev/urandom > disk.img
if device=$(losetup --find --show --read-only disk.img 2> /dev/null); then
    want=$("$run" --crc-only - disk.img)
    got=$("$run" --crc-only - "$device")
    "$run" copy.img "$device" > /dev/null 2> err.txt || fail "imaging $device failed: $(cat err.txt)"
    losetup --detach "$device"
    [ "${got%% seconds=*}" = "${want%% seconds=*}" ] || fail "checksum of $device: $got, of its image: $want"
    cmp -s copy.img disk.img || fail "the copy of $device differs from its image"
else
    echo "loop device check skipped: losetup cannot set one up here"
fi

[ "$failures" = 0 ] && echo "all engine-run checks passed"
exit $((failures > 0))
