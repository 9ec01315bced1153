#!/usr/bin/env bash
# Writes the seed corpus of every fuzz target: the worked example archives written out byte by
# byte, archives that the built programs pack from the sample folder, and typical file names and
# command lines. Usage: fuzz/make_corpus.sh BUILD_DIR CORPUS_DIR (BUILD_DIR holds the built vorax
# and vorax-legacy; nothing is built here).
set -euo pipefail

build=${1:?build folder}
corpus=${2:?corpus folder}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
samples="$source_dir/examples/gfx"

# Bytes written as hexadecimal pairs, blanks allowed: hex "58 51 20".
hex() { printf "$(printf '%s' "$*" | sed -E 's/[[:space:]]+//g; s/(..)/\\x\1/g')"; }
# A seed file from what the commands behind it print.
seed() { local file="$corpus/$1"; shift; "$@" >"$file"; }

mkdir -p "$corpus"/{extract,names,legacy_names,args}

# ---- archives (fuzz_extract and fuzz_legacy_extract share them)
vehicle_text() { printf 'XQ KARV Vehicle gfx Zoom%s\x1a' "$1"; }
scenery_text() { printf 'XQ KARV Scenery gfx Zoom%s\r\ncreated by VORAX\x1a' "$1"; }
stamp="C0 53 4E 3E"   # 2011-02-14 10:30:00

# The current vehicle layout, 103 bytes: 12345-03 (5 x "A") and 12345-04 (3 x "B").
current_fzx() {
  vehicle_text 2; hex 00; printf 'FZX2'; hex 00 00 86 03
  hex 39 30 00 00 03 00 00 00 10 00 00 00  39 30 00 00 04 00 00 00 19 00 00 00  FF FF FF FF
  hex 39 30 00 00 03 00 00 00 05 00 00 00 $stamp 41 41 41 41 41
  hex 39 30 00 00 04 00 00 00 03 00 00 00 $stamp 42 42 42
}
# The older vehicle layout, 82 bytes: the same two files under packed numbers.
older_fzx() {
  vehicle_text 2; printf 'FZX2'
  hex 93 03 03 00 0C 00 00 00  94 03 03 00 15 00 00 00  00 00 00 00
  hex 93 03 03 00 05 00 00 00 $stamp 41 41 41 41 41
  hex 94 03 03 00 03 00 00 00 $stamp 42 42 42
}
# Scenery, 106 bytes: s123-45a.gz1 of 2 bytes.
gzx() {
  scenery_text 1; printf 'GZX1'
  hex 7B 00 00 00 2D 00 00 00 01 00 01 00 00 00 00 00 00 00 00 00 04 00 00 00  FF FF FF FF
  hex 7B 00 00 00 2D 00 00 00 01 00 01 00 00 00 00 00 00 00 00 00 02 00 00 00 $stamp 53 31
}
# Base-named scenery: park-05-12b.gz2 of 4 bytes.
uzx() {
  scenery_text 2; printf 'UZX2'
  hex 05 00 00 00 00 00 00 00 00 00 00 00 0C 00 00 00 02 00 00 00 04 00 00 00  FF FF FF FF
  hex 05 00 00 00 00 00 00 00 00 00 00 00 0C 00 00 00 02 00 00 00 04 00 00 00 $stamp
  printf 'park'
}
seed extract/current-103.fzx current_fzx
seed extract/older-82.fzx older_fzx
seed extract/scenery-106.gzx gzx
seed extract/park.uzx uzx

# Archives of the sample folder, packed by both programs.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=0
pack() {  # pack PROGRAM COMMAND FOLDER ARCHIVE
  "$build/$1" "$2" "$3" "$work/$4" >/dev/null 2>&1 </dev/null || true
  if [ -f "$work/$4" ]; then cp "$work/$4" "$corpus/extract/$1-$2-$4"; fi
}
pack vorax V2 "$samples" train.fz2
pack vorax V4 "$samples" train.fz4
pack vorax W2 "$samples" loco.fz2
pack vorax S1 "$samples" land.gz1
pack vorax S2 "$samples" land.gz2
pack vorax S4 "$samples" land.gz4
pack vorax U2 "$samples/park" park.uz2
# (V2 over the sample folder fails in the legacy program: its loco-* names do not read.)
pack vorax-legacy V4 "$samples" old.fz4
pack vorax-legacy S1 "$samples" oldland.gz1
for f in current-103.fzx older-82.fzx scenery-106.gzx park.uzx vorax-V2-train.fz2 \
         vorax-S2-land.gz2 vorax-U2-park.uz2 vorax-legacy-V4-old.fz4; do
  [ -f "$corpus/extract/$f" ] || { echo "make_corpus: $f missing" >&2; exit 1; }
done

# ---- file names: byte 0 what (and zoom in bits 3-4), byte 1 base-name length, then the name
names() {  # names FOLDER SELECTOR BASE_LENGTH NAME...
  local folder=$1 selector=$2 base=$3 n=0; shift 3
  for name in "$@"; do
    n=$((n + 1))
    seed "$folder/$selector-$n" printf "\\x$selector\\x$base%s" "$name"
  done
}
names names 00 00 12345-03.fz2 10412-00.fz2 00001-16.fz4
names names 01 04 loco-03-12.fz2 loco-01-00.fz2
names names 0a 00 s123-45a.gz2 t42-7.gz2 h5-2.gz2 b17.gz2 m3-100-0.gz2 049152-01a.gz2 \
  050000-12.gz2 065535c.gz2
names names 02 00 s123-45a.gz1
names names 12 00 t42-7.gz4
names names 0b 04 park-05-12b.gz2 park-07-00a.gz2 park-05-13.gz2
# Keys as stored (number, sub_number, kind_letter, part, part_letter), then a base name.
seed names/keys-1 hex 0C 00  7B 00 00 00 2D 00 00 00 01 00 01 00 00 00 00 00 00 00 00 00
seed names/keys-2 hex 0C 00  05 00 00 00 00 00 00 00 00 00 00 00 0C 00 00 00 02 00 00 00 70 61 72 6B

names legacy_names 00 00 12345-03.fz2 12345-15.fz4
names legacy_names 09 00 s123-45a.gz2 t42-7b.gz2 049152-01a.gz2 049152.gz2 65535c.gz2
names legacy_names 0a 00 u05-12b-park.gz2 u05-park.gz2 u05a-park.gz2
names legacy_names 03 04 parku05-12b-park.gz2 parku05-12b-mypark.gz2
seed legacy_names/keys-1 hex 0C 00  05 00 00 00 00 00 00 00 00 00 00 00 0C 00 00 00 02 00 00 00 70 61 72 6B

# ---- command lines: byte 0 the number of arguments, then the arguments split by zero bytes
seed args/v2 printf '\x04V2\0gfx\0train\0-OSI'
seed args/x printf '\x03X\0out\0a.fz2'
seed args/s1 printf '\x04S1\0gfx/\0land\0O'
seed args/u4 printf '\x03/u4\0gfx\0park.uz4'
seed args/w2 printf '\x04 - w 2\0gfx\0loco\0/s'
seed args/few printf '\x02V2\0gfx'
seed args/five printf '\x05X\0out\0a.gz2\0os\0more'
echo "seed corpus in $corpus"
