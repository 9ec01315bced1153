#!/bin/bash
# Stops the Windows programs under Wine with SIGINT (which Wine hands to the program as the
# console's Ctrl-C event) at random moments while they pack and extract, and checks what each
# stop leaves behind: no temporary file, every extracted file whole, an archive that is either
# absent, the old one (replaced with O) or the complete new one.
#
# Usage: console_stop.sh WINE PROGRAM LEGACY_PROGRAM [RUNS]
# RUNS stops per program and kind of run (default 5).
set -u

wine_command=$1
programs=("$(realpath "$2")" "$(realpath "$3")")
runs=${4:-5}
export WINEDEBUG=-all

work=$(mktemp -d "${TMPDIR:-/tmp}/vorax-stop.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# A few hundred small vehicle graphics files, each with its own bytes.
mkdir src old
for a in $(seq 10000 10019); do
  for b in 00 01 02 03 04 05 06 07 08 09 10 11 12 13 14; do
    printf 'hdr %s-%s\032 data %s %s\n' "$a" "$b" "$RANDOM" "$a$b" >"src/$a-$b.fz2"
  done
done
cp src/10000-0*.fz2 old/

# Runs a program to its end; its status.
run_whole() {
  "$wine_command" "$@" Q >/dev/null 2>&1
}

# Starts a program, stops it with SIGINT after a random delay between $early and the first
# argument (milliseconds) and waits for it.
run_stopped() {
  local late=$1
  shift
  "$wine_command" "$@" Q >/dev/null 2>&1 &
  local pid=$!
  local delay=$((early + RANDOM % (late - early)))
  sleep "$((delay / 1000)).$(printf '%03d' $((delay % 1000)))"
  kill -INT "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

# Milliseconds since the epoch.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Fails when a temporary name stands in the folder.
check_no_temporary() {
  local folder=$1 what=$2
  local left
  left=$(find "$folder" -maxdepth 1 -name '.vx*' | head -3)
  [ -z "$left" ] || fail "$what: left $left"
}

for index in 0 1; do
  program=${programs[$index]}
  name=p$index
  # The complete results to compare with: an archive of src, one of old, and src extracted;
  # how long a whole run of each kind takes, and one that fails at once (Wine takes a while to
  # start a program).
  start=$(now_ms)
  run_whole "$program" V2 src "$name-new" || { fail "$name: packing src"; continue; }
  pack_late=$(($(now_ms) - start))
  run_whole "$program" V2 old "$name-old" || { fail "$name: packing old"; continue; }
  mkdir "$name-ref"
  start=$(now_ms)
  run_whole "$program" X "$name-ref" "$name-new.fz2" || fail "$name: extracting"
  extract_late=$(($(now_ms) - start))
  start=$(now_ms)
  run_whole "$program" X "$name-ref" absent.fz2
  early=$(($(now_ms) - start))
  # The stops fall anywhere from a little before the program has started to a little after the
  # end of a whole run.
  early=$((early > 100 ? early - 100 : 0))
  pack_late=$((pack_late + 100 > early + 100 ? pack_late + 100 : early + 100))
  extract_late=$((extract_late + 100 > early + 100 ? extract_late + 100 : early + 100))

  for run in $(seq 1 "$runs"); do
    # Extraction into an empty folder: every file there is whole.
    rm -rf out && mkdir out
    run_stopped "$extract_late" "$program" X out "$name-new.fz2"
    check_no_temporary out "$name X run $run"
    for file in out/*; do
      [ -e "$file" ] || continue
      cmp -s "$file" "$name-ref/${file#out/}" || fail "$name X run $run: $file is not whole"
    done

    # Packing a new archive: none, or the whole one.
    rm -f arc.fz2
    run_stopped "$pack_late" "$program" V2 src arc
    check_no_temporary . "$name V2 run $run"
    if [ -e arc.fz2 ] && ! cmp -s arc.fz2 "$name-new.fz2"; then
      fail "$name V2 run $run: arc.fz2 is not whole"
    fi

    # Packing over an existing archive with O: the old one or the whole new one.
    cp "$name-old.fz2" arc.fz2
    run_stopped "$pack_late" "$program" V2 src arc O
    check_no_temporary . "$name V2 O run $run"
    if ! cmp -s arc.fz2 "$name-old.fz2" && ! cmp -s arc.fz2 "$name-new.fz2"; then
      fail "$name V2 O run $run: arc.fz2 is neither the old nor the new archive"
    fi
  done
done

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "every stop left nothing behind"
exit 0
