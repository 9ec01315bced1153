#!/usr/bin/env bash
# Runs every built fuzz target for a while on its corpus and fails on any crash, hang or
# sanitizer report. Builds nothing: first `cmake --workflow --preset fuzz`.
#
#   fuzz/run.sh [SECONDS]        each target SECONDS long (default 20)
#
# The working corpus lives in build/fuzz/corpus/<target> (seeded by make_corpus.sh when it is
# missing) and grows with every run. Each target first replays the inputs kept in
# fuzz/regressions/<target>-*, which must all pass. libFuzzer's final statistics are printed per
# target (executions, coverage "cov:" and features "ft:").
set -uo pipefail

seconds=${1:-20}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build="$source_dir/build/fuzz"
corpus="$build/corpus"
targets="fuzz_extract fuzz_legacy_extract fuzz_names fuzz_legacy_names fuzz_args"

for t in $targets; do
  [ -x "$build/fuzz/$t" ] || { echo "run.sh: $build/fuzz/$t not built" >&2; exit 1; }
done
if [ ! -d "$corpus/seeds" ]; then
  bash "$source_dir/fuzz/make_corpus.sh" "$build" "$corpus/seeds" || exit 1
fi
# Scratch files of the extraction targets: in memory where the system offers it.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

seeds_of() {
  case $1 in
    fuzz_extract | fuzz_legacy_extract) echo extract ;;
    fuzz_names) echo names ;;
    fuzz_legacy_names) echo legacy_names ;;
    fuzz_args) echo args ;;
  esac
}

failed=""
summary=""
for t in $targets; do
  work="$corpus/$t"
  mkdir -p "$work" "$build/artifacts"
  log="$build/$t.log"
  echo "== $t: $seconds s"
  regressions=("$source_dir"/fuzz/regressions/"$t"-*)
  if [ -e "${regressions[0]}" ]; then
    if ! "$build/fuzz/$t" "${regressions[@]}" >"$log.regressions" 2>&1; then
      echo "$t: a kept regression input fails again (see $log.regressions)"
      failed="$failed $t"
      continue
    fi
    echo "   ${#regressions[@]} regression input(s) pass"
  fi
  "$build/fuzz/$t" "$work" "$corpus/seeds/$(seeds_of "$t")" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" >"$log" 2>&1
  status=$?
  stats=$(grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" |
          sed 's/^stat:://' | tr -s ' \n' ' ')
  coverage=$(grep -E '^#[0-9]+' "$log" | tail -n 1 | grep -oE '(cov|ft|corp): [0-9/a-zA-Z]+' |
             tr '\n' ' ')
  line=$(printf '%-20s %s %s' "$t" "$coverage" "$stats")
  summary="$summary$line"$'\n'
  echo "   $coverage $stats"
  if [ "$status" -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|libFuzzer|LeakSanitizer)|runtime error:|deadly signal' "$log"; then
    echo "$t: FAILED (exit $status), see $log; the input is in $build/artifacts/"
    grep -E 'ERROR|runtime error|fuzz_|SUMMARY|Test unit written' "$log" | head -n 20
    failed="$failed $t"
  fi
done

echo
echo "== summary ($seconds s per target)"
printf '%s' "$summary"
if [ -n "$failed" ]; then
  echo "FAILED:$failed"
  exit 1
fi
echo "all fuzz targets passed"
