#!/usr/bin/env bash
# What the nothing-lost rules hold, measured rather than assumed: packing and extraction stopped
# at random moments by SIGINT, SIGTERM, SIGHUP and SIGKILL; counts the runs and the temporary
# files (".vx*") left behind. Runs on /dev/shm, where files without a name are available. (What
# the flushes cost on a disk is measured by bench/run.sh.)
#
# Builds nothing; build the programs and the folder generator first:
#
#   cmake --preset posix
#   cmake --build build/posix --target vorax vorax-legacy make_bench_folder
#   bench/edges.sh
#
# Settings (environment):
#   BUILD   folder with vorax and bench/make_bench_folder (default build/posix)
#   KILLS   number of stopped runs (default 400)
#   FILES   files in the folder (default 2000)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build/posix}
KILLS=${KILLS:-400}
FILES=${FILES:-2000}
VORAX=$BUILD/vorax
GENERATOR=$BUILD/bench/make_bench_folder
for program in "$VORAX" "$GENERATOR"; do
  [ -x "$program" ] || { echo "missing: $program (see the top of $0)" >&2; exit 1; }
done

now() { date +%s%N; }

WORK=/dev/shm/vorax-edges
rm -rf "$WORK"
mkdir -p "$WORK"
"$GENERATOR" scenery "$FILES" 1 "$WORK/src" --max-kib 16 >/dev/null
"$VORAX" S2 "$WORK/src" "$WORK/whole" >/dev/null 2>&1 </dev/null
start=$(now)
"$VORAX" X "$WORK/probe" "$WORK/whole.gz2" >/dev/null 2>&1 </dev/null || true
mkdir -p "$WORK/probe"
"$VORAX" X "$WORK/probe" "$WORK/whole.gz2" >/dev/null 2>&1 </dev/null
run_ns=$(( $(now) - start ))
mv "$WORK/probe" "$WORK/full"

signals=(INT TERM HUP KILL)
left=0 killed=0
cases=("packing with O over an archive" "extraction into an empty folder" "extraction with O over every file")
case_left=(0 0 0)
for ((i = 0; i < KILLS; i++)); do
  signal=${signals[$((RANDOM % 4))]}
  mkdir -p "$WORK/out"
  # Packing over an archive; extraction into an empty folder; extraction with O over every file.
  case $((i % 3)) in
    0) "$VORAX" S2 "$WORK/src" "$WORK/arc" O >/dev/null 2>&1 </dev/null & ;;
    1) "$VORAX" X "$WORK/out" "$WORK/whole.gz2" >/dev/null 2>&1 </dev/null & ;;
    2) cp -r "$WORK/full/." "$WORK/out"
       "$VORAX" X "$WORK/out" "$WORK/whole.gz2" O >/dev/null 2>&1 </dev/null & ;;
  esac
  pid=$!
  # Somewhere inside the run: up to the time one extraction takes.
  sleep "$(awk -v n="$run_ns" -v r="$RANDOM" 'BEGIN { printf "%.4f", n / 1e9 * r / 32768 }')"
  kill -s "$signal" "$pid" 2>/dev/null && killed=$((killed + 1)) || true
  wait "$pid" 2>/dev/null || true
  found=$(find "$WORK" -name '.vx*' | wc -l)
  left=$((left + found))
  case_left[$((i % 3))]=$((case_left[$((i % 3))] + found))
  find "$WORK" -name '.vx*' -delete
  rm -rf "$WORK/out"
done
echo "kills: $KILLS runs, $killed stopped while running, $left temporary files left"
for c in 0 1 2; do echo "  ${cases[$c]}: ${case_left[$c]} left"; done

rm -rf "$WORK"
