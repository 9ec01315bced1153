#!/usr/bin/env bash
# Times vorax and vorax-legacy against tar and cat on made-up folders, all in one run, and prints
# the ratios. Builds nothing; build the two programs and the folder generator first:
#
#   cmake --preset posix
#   cmake --build build/posix --target vorax vorax-legacy make_bench_folder
#   bench/run.sh
#
# Needs hyperfine, GNU time and strace (Debian: apt-get install hyperfine time strace), GNU tar,
# xargs, awk. The timings happen on /dev/shm (a RAM file system), so that the figures measure the
# programs and not a disk; then the system calls per file are counted with strace, and the
# 10,000-file folder is packed and extracted once more in a folder on a disk, where the flushes
# to the disk show what they cost. It takes up to 10 minutes on a 2-core machine and needs about
# 7 GiB free on /dev/shm at its peak, and 200 MiB in the disk folder.
#
# Settings (environment):
#   BUILD    folder with vorax, vorax-legacy and bench/make_bench_folder (default build/posix)
#   WORK     working folder, removed and made again (default /dev/shm/bench)
#   RESULTS  where hyperfine's exports and summary.md go (default $WORK/results)
#   SEED     seed of the generated folders (default 1)
#   SERIES   file counts of the scaling series (default "1000 10000 100000")
#   SMALL    files in each of the two folders of small files (default 10000)
#   BIG      files of 64 MiB in the folder of big files (default 16)
#   KEEP     1 keeps the generated folders in $WORK/src after the run (default: removed)
#   CALLS    folder whose system calls are counted and that goes to the disk (default
#            scale-10000 when the series has it, else scenery-$SMALL)
#   DISK     working folder on a disk, removed and made again (default $ROOT/build/bench-disk);
#            "none" leaves the disk run out
#   SPREAD   file counts of the series with spread dates (default "10000 100000"): scenery
#            files of 2-16 KiB whose last-write times spread over 1980 to 2107, packed and
#            extracted with TZ unset, as on most desktops (the zone then comes from
#            /etc/localtime); "" leaves it out. Its system calls are counted on the first.
#   BEFORE   folder of vorax and vorax-legacy built from an earlier tree (optional): the spread
#            series then times and counts that vorax too, as "vorax-before", for a before and
#            after in one run
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build/posix}
WORK=${WORK:-/dev/shm/bench}
RESULTS=${RESULTS:-$WORK/results}
SEED=${SEED:-1}
SERIES=${SERIES:-"1000 10000 100000"}
SMALL=${SMALL:-10000}
BIG=${BIG:-16}
DISK=${DISK:-$ROOT/build/bench-disk}
SPREAD=${SPREAD-"10000 100000"}
BEFORE=${BEFORE:-}
SELF=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")

VORAX=$BUILD/vorax
LEGACY=$BUILD/vorax-legacy
GENERATOR=$BUILD/bench/make_bench_folder

# ---- used by hyperfine's cleanup: counts the files and bytes of every extraction folder under
# $2, appends "name files bytes" to $2/tally and removes the folder.
if [ "${1:-}" = "--tally" ]; then
  for folder in "$2"/*/; do
    [ -d "$folder" ] || continue
    name=$(basename "$folder")
    files=$(find "$folder" -type f | wc -l)
    bytes=$(find "$folder" -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%.0f", s }')
    echo "$name $files $bytes" >>"$2/tally"
    rm -rf "$folder"
  done
  exit 0
fi

# ---- what is needed
missing=0
[ -z "$BEFORE" ] || VORAX_BEFORE=$BEFORE/vorax
for program in "$VORAX" "$LEGACY" "$GENERATOR" ${VORAX_BEFORE:+"$VORAX_BEFORE"}; do
  if [ ! -x "$program" ]; then
    echo "missing: $program (see the build commands at the top of $0)" >&2
    missing=1
  fi
done
for tool in hyperfine strace tar xargs awk find; do
  if ! command -v "$tool" >/dev/null; then
    echo "missing: $tool (Debian: apt-get install $tool)" >&2
    missing=1
  fi
done
if [ ! -x /usr/bin/time ]; then
  echo "missing: /usr/bin/time (Debian: apt-get install time)" >&2
  missing=1
fi
[ "$missing" -eq 0 ] || exit 1

export LC_ALL=C  # the programs' messages in English, and the same sort order everywhere

case "$WORK" in
  "" | /) echo "WORK must name a folder of its own" >&2; exit 1 ;;
esac
case "$DISK" in
  "" | /) echo "DISK must name a folder of its own" >&2; exit 1 ;;
esac
LOAD_START=$(cut -d' ' -f1-3 /proc/loadavg)
rm -rf "$WORK"
mkdir -p "$WORK/src" "$WORK/out" "$WORK/x" "$RESULTS"
SUMMARY=$RESULTS/summary.md
ERRORS=0

# ---- the folders: names that both programs take (--legacy), so that both read the same files

declare -A KIND FILES BYTES RUNS
CASES=()

make_case() {  # name kind count runs generator-arguments...
  local name=$1 kind=$2 count=$3 runs=$4
  shift 4
  local folder=$WORK/src/$name
  "$GENERATOR" "$kind" "$count" "$SEED" "$folder" --legacy "$@" >/dev/null
  # The list of the files in byte order, for cat.
  (cd "$folder" && find . -maxdepth 1 -type f -printf '%f\n' | sort) >"$WORK/src/$name.list"
  case $kind in
    scenery) KIND[$name]=S2 ;;
    *) KIND[$name]=V2 ;;
  esac
  FILES[$name]=$(wc -l <"$WORK/src/$name.list")
  BYTES[$name]=$(find "$folder" -maxdepth 1 -type f -printf '%s\n' |
    awk '{ s += $1 } END { printf "%.0f", s }')
  RUNS[$name]=$runs
  CASES+=("$name")
  echo "  $name: ${FILES[$name]} files, $((${BYTES[$name]} / 1048576)) MiB"
}

echo "generating folders in $WORK/src (seed $SEED)"
start=$SECONDS
make_case "vehicle-$SMALL" vehicle "$SMALL" 5
make_case "scenery-$SMALL" scenery "$SMALL" 5
make_case "big-${BIG}x64MiB" big "$BIG" 2
# The scaling series: small files only (2 to 16 KiB, no large ones), so that the time per file
# shows the cost of handling a file rather than of moving its bytes.
for count in $SERIES; do
  runs=10
  [ "$count" -ge 10000 ] && runs=5
  [ "$count" -ge 100000 ] && runs=3
  make_case "scale-$count" scenery "$count" "$runs" --max-kib 16 --large 0
done
# The same with dates spread over the years, run with TZ unset.
for count in $SPREAD; do
  runs=5
  [ "$count" -ge 100000 ] && runs=3
  make_case "spread-$count" scenery "$count" "$runs" --max-kib 16 --large 0 --spread-dates
done
echo "  ($((SECONDS - start)) s)"

# ---- timing

# hyperfine with the exports of one group: $1 = file stem, then hyperfine's arguments.
time_group() {
  local stem=$1
  shift
  hyperfine --style basic --export-json "$RESULTS/$stem.json" \
    --export-markdown "$RESULTS/$stem.md" --export-csv "$RESULTS/$stem.csv" "$@"
}

run_case() {
  local name=$1
  local src=$WORK/src/$name list=$WORK/src/$name.list out=$WORK/out/$name x=$WORK/x/$name
  local command=${KIND[$name]} runs=${RUNS[$name]} ext
  if [ "$command" = S2 ]; then ext=gz2; else ext=fz2; fi
  # The spread series runs every command with TZ unset; with BEFORE, the earlier vorax as well.
  local env="" before_pack=() before_extract=()
  case $name in
    spread-*)
      env="env -u TZ "
      if [ -n "$BEFORE" ]; then
        before_pack=(--prepare "rm -f '$out/before.$ext'" -n "vorax-before $command"
          "$env'$VORAX_BEFORE' $command '$src' '$out/before'")
        before_extract=(--prepare "rm -rf '$x/before' && mkdir '$x/before'" -n "vorax-before X"
          "$env'$VORAX_BEFORE' X '$x/before' '$out/before.$ext'")
      fi
      ;;
  esac
  mkdir -p "$out" "$x"
  echo
  echo "==== $name: ${FILES[$name]} files, $((${BYTES[$name]} / 1048576)) MiB"

  time_group "$name-pack" --warmup 1 --runs "$runs" \
    --prepare "rm -f '$out/vorax.$ext'" -n "vorax $command" \
    "$env'$VORAX' $command '$src' '$out/vorax'" \
    --prepare "rm -f '$out/legacy.$ext'" -n "vorax-legacy $command" \
    "$env'$LEGACY' $command '$src' '$out/legacy'" \
    --prepare "rm -f '$out/files.tar'" -n "tar cf" \
    "${env}tar cf '$out/files.tar' -C '$src' ." \
    --prepare "rm -f '$out/files.cat'" -n "cat" \
    "cd '$src' && xargs -d '\n' -a '$list' cat > '$out/files.cat'" \
    "${before_pack[@]}"
  rm -f "$out/files.cat"
  for archive in "$out/vorax.$ext" "$out/legacy.$ext"; do
    if [ ! -s "$archive" ]; then
      echo "ERROR: $archive was not written" >&2
      ERRORS=$((ERRORS + 1))
    fi
  done

  rm -f "$x/tally"
  time_group "$name-extract" --warmup 1 --runs "$runs" --cleanup "'$SELF' --tally '$x'" \
    --prepare "rm -rf '$x/vorax' && mkdir '$x/vorax'" -n "vorax X" \
    "$env'$VORAX' X '$x/vorax' '$out/vorax.$ext'" \
    --prepare "rm -rf '$x/legacy' && mkdir '$x/legacy'" -n "vorax-legacy X" \
    "$env'$LEGACY' X '$x/legacy' '$out/legacy.$ext'" \
    --prepare "rm -rf '$x/tar' && mkdir '$x/tar'" -n "tar xf" \
    "${env}tar xf '$out/files.tar' -C '$x/tar'" \
    "${before_extract[@]}"
  # Every program must have written every file with every byte.
  local programs=3
  [ "${#before_extract[@]}" -eq 0 ] || programs=4
  if [ "$(wc -l <"$x/tally")" -ne "$programs" ]; then
    echo "ERROR: $name: not every extraction was counted" >&2
    ERRORS=$((ERRORS + 1))
  fi
  while read -r who files bytes; do
    if [ "$files" != "${FILES[$name]}" ] || [ "$bytes" != "${BYTES[$name]}" ]; then
      echo "ERROR: $name: $who extracted $files files, $bytes bytes" >&2
      ERRORS=$((ERRORS + 1))
    fi
  done <"$x/tally"
  rm -rf "$out"
}

for name in "${CASES[@]}"; do
  start=$SECONDS
  run_case "$name"
  echo "  ($((SECONDS - start)) s)"
done

# ---- peak memory of packing the largest folder of the series, and of the smallest

peak_kib() {  # program folder archive -> the maximum resident set size in KiB
  /usr/bin/time -v "$1" S2 "$2" "$3" 2>&1 >/dev/null |
    awk -F': ' '/Maximum resident set size/ { print $2 }'
  rm -f "$3.gz2"
}

echo
echo "==== peak memory"
declare -A PEAK
MEMORY_CASES=()
set -- $SERIES
for count in "$1" "${!#}"; do
  name=scale-$count
  [ -n "${FILES[$name]:-}" ] || continue
  [ "${#MEMORY_CASES[@]}" -eq 0 ] || [ "${MEMORY_CASES[0]}" != "$name" ] || continue
  MEMORY_CASES+=("$name")
  PEAK[$name,vorax]=$(peak_kib "$VORAX" "$WORK/src/$name" "$WORK/out/memory")
  PEAK[$name,legacy]=$(peak_kib "$LEGACY" "$WORK/src/$name" "$WORK/out/memory")
  echo "  $name: vorax ${PEAK[$name,vorax]} KiB, vorax-legacy ${PEAK[$name,legacy]} KiB"
done

# ---- system calls per file: strace -c -f over one run of each program, on the same folder

# Runs a command under strace -c -f and keeps its table as $RESULTS/calls-$1.txt.
count_calls() {  # label command...
  local label=$1
  shift
  strace -c -f -o "$RESULTS/calls-$label.txt" "$@" >/dev/null 2>&1 </dev/null
}

# The calls of a table: all of them ("total"), or those of one system call.
calls_of() {  # label [syscall] -> count
  awk -v want="${2:-total}" '$NF == want { n = $4 } END { print n + 0 }' \
    "$RESULTS/calls-$1.txt"
}

# The system calls that a program makes at least 0.05 times per file, most frequent first.
call_mix() {  # label files -> "openat 1.00, read 1.00, ..."
  awk -v files="$2" '$4 ~ /^[0-9]+$/ && $NF != "total" && $4 / files >= 0.05 {
      printf "%s %.2f\n", $NF, $4 / files }' "$RESULTS/calls-$1.txt" |
    sort -k2,2nr -k1,1 | awk '{ printf "%s%s %s", (NR > 1 ? ", " : ""), $1, $2 }'
}

per_file() {  # count files -> count / files with 2 decimals
  awk -v c="$1" -v n="$2" 'BEGIN { printf "%.2f", c / n }'
}

CALLS=${CALLS:-}
if [ -z "$CALLS" ]; then
  CALLS=scenery-$SMALL
  for name in "${CASES[@]}"; do
    [ "$name" = scale-10000 ] && CALLS=scale-10000
  done
fi
echo
echo "==== system calls: $CALLS"
src=$WORK/src/$CALLS
calls_out=$WORK/out/calls
mkdir -p "$calls_out"
count_calls vorax-pack "$VORAX" S2 "$src" "$calls_out/vorax"
count_calls legacy-pack "$LEGACY" S2 "$src" "$calls_out/legacy"
count_calls tar-pack tar cf "$calls_out/files.tar" -C "$src" .
mkdir -p "$calls_out/x-vorax" "$calls_out/x-legacy" "$calls_out/x-tar"
count_calls vorax-extract "$VORAX" X "$calls_out/x-vorax" "$calls_out/vorax.gz2"
count_calls legacy-extract "$LEGACY" X "$calls_out/x-legacy" "$calls_out/legacy.gz2"
count_calls tar-extract tar xf "$calls_out/files.tar" -C "$calls_out/x-tar"
# Checks that $1 extracted every file of the folder $2 into $calls_out/x-$1, and prints its calls
# per file from the tables $3$1-pack and $3$1-extract.
report_calls() {  # who folder label-prefix
  local who=$1 folder=$2 prefix=$3 files
  files=$(find "$calls_out/x-$who" -type f | wc -l)
  if [ "$files" != "${FILES[$folder]}" ]; then
    echo "ERROR: system calls: $who extracted $files files" >&2
    ERRORS=$((ERRORS + 1))
  fi
  echo "  $who: pack $(per_file "$(calls_of "$prefix$who-pack")" "${FILES[$folder]}")," \
    "extract $(per_file "$(calls_of "$prefix$who-extract")" "${FILES[$folder]}") per file"
}
for who in vorax legacy tar; do
  report_calls "$who" "$CALLS" ""
done
rm -rf "$calls_out"

# The first folder of the spread series with TZ unset: the calls that the time zone costs.
SPREAD_CALLS=""
set -- $SPREAD
if [ "$#" -gt 0 ]; then
  SPREAD_CALLS=spread-$1
  echo
  echo "==== system calls: $SPREAD_CALLS, TZ unset"
  src=$WORK/src/$SPREAD_CALLS
  mkdir -p "$calls_out"
  SPREAD_WHO="vorax tar"
  count_calls spread-vorax-pack env -u TZ "$VORAX" S2 "$src" "$calls_out/vorax"
  count_calls spread-tar-pack env -u TZ tar cf "$calls_out/files.tar" -C "$src" .
  if [ -n "$BEFORE" ]; then
    SPREAD_WHO="vorax before tar"
    count_calls spread-before-pack env -u TZ "$VORAX_BEFORE" S2 "$src" "$calls_out/before"
  fi
  for who in $SPREAD_WHO; do
    mkdir -p "$calls_out/x-$who"
    archive=$calls_out/$who.gz2
    if [ "$who" = tar ]; then
      count_calls spread-tar-extract env -u TZ tar xf "$calls_out/files.tar" -C "$calls_out/x-tar"
    else
      program=$VORAX
      [ "$who" = before ] && program=$VORAX_BEFORE
      count_calls "spread-$who-extract" env -u TZ "$program" X "$calls_out/x-$who" "$archive"
    fi
    report_calls "$who" "$SPREAD_CALLS" spread-
  done
  rm -rf "$calls_out"
fi

# ---- the same folder on a disk: the flushes of the archive, and of files replaced with O

DISK_RUN=0
if [ "$DISK" != none ]; then
  DISK_RUN=1
  echo
  echo "==== $CALLS on a disk folder ($DISK)"
  rm -rf "$DISK"
  mkdir -p "$DISK/out" "$DISK/x"
  cp -r "$WORK/src/$CALLS" "$DISK/src"
  sync
  # Each command starts with nothing dirty in memory, so that it pays for its own writes only.
  time_group disk-pack --warmup 1 --runs 3 \
    --prepare "rm -f '$DISK/out/vorax.gz2' && sync" -n "vorax S2" \
    "'$VORAX' S2 '$DISK/src' '$DISK/out/vorax'" \
    --prepare "rm -f '$DISK/out/legacy.gz2' && sync" -n "vorax-legacy S2" \
    "'$LEGACY' S2 '$DISK/src' '$DISK/out/legacy'" \
    --prepare "rm -f '$DISK/out/files.tar' && sync" -n "tar cf" \
    "tar cf '$DISK/out/files.tar' -C '$DISK/src' ."
  time_group disk-extract --warmup 1 --runs 3 \
    --prepare "rm -rf '$DISK/x/vorax' && mkdir '$DISK/x/vorax' && sync" -n "vorax X" \
    "'$VORAX' X '$DISK/x/vorax' '$DISK/out/vorax.gz2'" \
    --prepare "rm -rf '$DISK/x/legacy' && mkdir '$DISK/x/legacy' && sync" -n "vorax-legacy X" \
    "'$LEGACY' X '$DISK/x/legacy' '$DISK/out/legacy.gz2'" \
    --prepare "rm -rf '$DISK/x/tar' && mkdir '$DISK/x/tar' && sync" -n "tar xf" \
    "tar xf '$DISK/out/files.tar' -C '$DISK/x/tar'"
  # Over the files of the last extraction: with O every file is replaced, each flushed first;
  # tar replaces them too, without a flush.
  time_group disk-replace --runs 3 \
    --prepare "sync" -n "vorax X O" \
    "'$VORAX' X '$DISK/x/vorax' '$DISK/out/vorax.gz2' O" \
    --prepare "sync" -n "tar xf" \
    "tar xf '$DISK/out/files.tar' -C '$DISK/x/tar'"
  rm -rf "$DISK"
fi

# ---- the summary

# The median of the runs rather than their mean: on a shared machine another job now and then
# slows a run or two down, which moves the mean far more than the median.
median() {  # stem command-name -> median seconds
  awk -F, -v n="$2" '$1 == n { print $4 }' "$RESULTS/$1.csv"
}

ratio() {  # a b -> a / b with 2 decimals
  awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'
}

per_file_us() {  # seconds files -> microseconds per file
  awk -v t="$1" -v n="$2" 'BEGIN { printf "%.1f", t * 1e6 / n }'
}

{
  echo "# Benchmark: vorax and vorax-legacy against tar and cat"
  echo
  echo "Run of $(date -u '+%Y-%m-%d %H:%M UTC'); programs built" \
    "$(date -u -r "$VORAX" '+%Y-%m-%d %H:%M UTC') in $BUILD; source tree at commit" \
    "$(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)" \
    "$( [ -n "$(git -C "$ROOT" status --porcelain 2>/dev/null)" ] && echo "(with local changes)")."
  echo "Machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)," \
    "$(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo) memory;" \
    "$WORK on $(df -T "$WORK" | awk 'NR == 2 { print $2 }');" \
    "$(uname -sr); $(hyperfine --version); $(tar --version | head -n 1)."
  echo "Load average (1, 5, 15 min) at the start: $LOAD_START; at the end:" \
    "$(cut -d' ' -f1-3 /proc/loadavg)."
  echo
  echo "Median wall time in seconds (warmup 1, runs per folder in the last column)."
  echo
  echo "| Folder | Files | MiB | vorax pack | legacy pack | tar cf | cat | vorax X | legacy X | tar xf | Runs |"
  echo "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |"
  for name in "${CASES[@]}"; do
    c=${KIND[$name]}
    printf '| %s | %s | %s | %.3f | %.3f | %.3f | %.3f | %.3f | %.3f | %.3f | %s |\n' \
      "$name" "${FILES[$name]}" "$((${BYTES[$name]} / 1048576))" \
      "$(median "$name-pack" "vorax $c")" "$(median "$name-pack" "vorax-legacy $c")" \
      "$(median "$name-pack" "tar cf")" "$(median "$name-pack" cat)" \
      "$(median "$name-extract" "vorax X")" "$(median "$name-extract" "vorax-legacy X")" \
      "$(median "$name-extract" "tar xf")" "${RUNS[$name]}"
  done
  echo
  echo "Ratios of the median times (lower is better). Targets: packing <= 0.90 x tar cf with"
  echo "10,000 files and <= 1.00 x with 100,000; extraction <= 1.00 x tar xf with 10,000 and"
  echo "with 100,000 files. The cat columns give throughput as a share of cat's over the same"
  echo "bytes (time of cat / time of the program; higher is better); target >= 0.80 for"
  echo "16 x 64 MiB, both packing and extraction."
  echo
  echo "| Folder | vorax pack / tar cf | legacy pack / tar cf | vorax X / tar xf | legacy X / tar xf | vorax pack vs cat | legacy pack vs cat | vorax X vs cat | legacy X vs cat |"
  echo "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |"
  for name in "${CASES[@]}"; do
    c=${KIND[$name]}
    vp=$(median "$name-pack" "vorax $c")
    lp=$(median "$name-pack" "vorax-legacy $c")
    tc=$(median "$name-pack" "tar cf")
    ct=$(median "$name-pack" cat)
    vx=$(median "$name-extract" "vorax X")
    lx=$(median "$name-extract" "vorax-legacy X")
    tx=$(median "$name-extract" "tar xf")
    echo "| $name | $(ratio "$vp" "$tc") | $(ratio "$lp" "$tc") | $(ratio "$vx" "$tx") |" \
      "$(ratio "$lx" "$tx") | $(ratio "$ct" "$vp") | $(ratio "$ct" "$lp") |" \
      "$(ratio "$ct" "$vx") | $(ratio "$ct" "$lx") |"
  done
  echo
  echo "Scaling series (scenery, 2-16 KiB files): microseconds per file, and in brackets"
  echo "relative to the smallest folder. Target: within 10 % (1.10) from 1,000 to 100,000 files."
  echo
  echo "| Files | vorax pack | legacy pack | tar cf | vorax X | legacy X | tar xf |"
  echo "| ---: | ---: | ---: | ---: | ---: | ---: | ---: |"
  set -- $SERIES
  base=scale-$1
  for count in $SERIES; do
    name=scale-$count
    line="| $count"
    for pair in "pack:vorax S2" "pack:vorax-legacy S2" "pack:tar cf" \
      "extract:vorax X" "extract:vorax-legacy X" "extract:tar xf"; do
      group=${pair%%:*}
      who=${pair#*:}
      here=$(per_file_us "$(median "$name-$group" "$who")" "${FILES[$name]}")
      first=$(per_file_us "$(median "$base-$group" "$who")" "${FILES[$base]}")
      line="$line | $here ($(ratio "$here" "$first"))"
    done
    echo "$line |"
  done
  echo
  echo "Peak memory of packing (maximum resident set size, GNU time), against the target"
  echo "2 MiB + 400 bytes per file. The growth per file is taken between the two folders."
  echo
  echo "| Folder | Files | vorax KiB | vorax-legacy KiB | target KiB |"
  echo "| --- | ---: | ---: | ---: | ---: |"
  for name in "${MEMORY_CASES[@]}"; do
    echo "| $name | ${FILES[$name]} | ${PEAK[$name,vorax]} | ${PEAK[$name,legacy]} |" \
      "$(( (2097152 + 400 * ${FILES[$name]}) / 1024 )) |"
  done
  if [ "${#MEMORY_CASES[@]}" -eq 2 ]; then
    small=${MEMORY_CASES[0]}
    large=${MEMORY_CASES[1]}
    span=$((${FILES[$large]} - ${FILES[$small]}))
    if [ "$span" -gt 0 ]; then
      echo
      echo "Growth per file: vorax" \
        "$(( (${PEAK[$large,vorax]} - ${PEAK[$small,vorax]}) * 1024 / span )) bytes," \
        "vorax-legacy $(( (${PEAK[$large,legacy]} - ${PEAK[$small,legacy]}) * 1024 / span )) bytes."
    fi
  fi
  echo
  echo "System calls per file, counted with strace -c -f over one run on $CALLS"
  echo "(${FILES[$CALLS]} files; start-up calls included). Targets: packing <= 4.5,"
  echo "extraction <= 6.5."
  echo
  echo "| Program | pack | extract | pack: calls per file | extract: calls per file |"
  echo "| --- | ---: | ---: | --- | --- |"
  for pair in "vorax:vorax" "legacy:vorax-legacy" "tar:tar"; do
    who=${pair%%:*}
    echo "| ${pair#*:} | $(per_file "$(calls_of "$who-pack")" "${FILES[$CALLS]}") |" \
      "$(per_file "$(calls_of "$who-extract")" "${FILES[$CALLS]}") |" \
      "$(call_mix "$who-pack" "${FILES[$CALLS]}") | $(call_mix "$who-extract" "${FILES[$CALLS]}") |"
  done
  if [ -n "$SPREAD_CALLS" ]; then
    echo
    echo "Dates spread over 1980 to 2107 and TZ unset (the zone from /etc/localtime, here"
    echo "$(readlink -f /etc/localtime 2>/dev/null || echo "none")). Targets: extraction <= 6.1"
    echo "calls per file and <= 1.10 x tar xf; packing <= 4.1 calls per file and <= 0.80 x tar cf"
    echo "with 10,000 files, <= 0.95 x with 100,000."
    echo
    echo "| Folder | Program | pack / tar cf | X / tar xf |"
    echo "| --- | --- | ---: | ---: |"
    for count in $SPREAD; do
      name=spread-$count
      tc=$(median "$name-pack" "tar cf")
      tx=$(median "$name-extract" "tar xf")
      for who in vorax vorax-before; do
        [ "$who" = vorax ] || [ -n "$BEFORE" ] || continue
        echo "| $name | $who | $(ratio "$(median "$name-pack" "$who S2")" "$tc") |" \
          "$(ratio "$(median "$name-extract" "$who X")" "$tx") |"
      done
    done
    echo
    echo "System calls per file on $SPREAD_CALLS, TZ unset:"
    echo
    echo "| Program | pack | extract | extract: calls per file |"
    echo "| --- | ---: | ---: | --- |"
    for who in $SPREAD_WHO; do
      label=$who
      [ "$who" = before ] && label=vorax-before
      echo "| $label | $(per_file "$(calls_of "spread-$who-pack")" "${FILES[$SPREAD_CALLS]}") |" \
        "$(per_file "$(calls_of "spread-$who-extract")" "${FILES[$SPREAD_CALLS]}") |" \
        "$(call_mix "spread-$who-extract" "${FILES[$SPREAD_CALLS]}") |"
    done
  fi
  if [ "$DISK_RUN" -eq 1 ]; then
    echo
    disk_type=$(df -T "$(dirname "$DISK")" | awk 'NR == 2 { print $2 }')
    echo "The same folder on a disk ($disk_type), each run after a sync. Packing flushes the"
    echo "archive and its folder once; extraction into an empty folder flushes nothing; with O"
    echo "each replaced file is flushed before it takes its name."
    echo "Median wall time in seconds, and the ratio to tar."
    echo
    echo "| Command | vorax | vorax-legacy | tar | vorax / tar | legacy / tar |"
    echo "| --- | ---: | ---: | ---: | ---: | ---: |"
    vp=$(median disk-pack "vorax S2")
    lp=$(median disk-pack "vorax-legacy S2")
    tc=$(median disk-pack "tar cf")
    printf '| pack (tar cf) | %.3f | %.3f | %.3f | %s | %s |\n' "$vp" "$lp" "$tc" \
      "$(ratio "$vp" "$tc")" "$(ratio "$lp" "$tc")"
    vx=$(median disk-extract "vorax X")
    lx=$(median disk-extract "vorax-legacy X")
    tx=$(median disk-extract "tar xf")
    printf '| extract into an empty folder (tar xf) | %.3f | %.3f | %.3f | %s | %s |\n' \
      "$vx" "$lx" "$tx" "$(ratio "$vx" "$tx")" "$(ratio "$lx" "$tx")"
    vo=$(median disk-replace "vorax X O")
    to=$(median disk-replace "tar xf")
    printf '| extract over every file, O (tar xf) | %.3f | - | %.3f | %s | - |\n' \
      "$vo" "$to" "$(ratio "$vo" "$to")"
  fi
  if [ "$ERRORS" -gt 0 ]; then
    echo
    echo "**$ERRORS check(s) failed: see the messages of the run.**"
  fi
} >"$SUMMARY"

echo
cat "$SUMMARY"
echo
echo "hyperfine's exports and this summary: $RESULTS"
rm -rf "$WORK/out" "$WORK/x"
[ "${KEEP:-0}" = 1 ] || rm -rf "$WORK/src"
[ "$ERRORS" -eq 0 ]
