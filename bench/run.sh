#!/usr/bin/env bash
# Runs the benchmarks of a build (what `make bench` calls):
#   1. every Google Benchmark program in BUILD_DIR/bench, briefly;
#   2. the applications benchmark (500 entries, the keystroke beside the same number of files)
#      and the scan benchmark at 10,000 files (a corpus of about 45 MB, generated once and kept);
#   3. with --peers, recollindex and updatedb on the same corpus, and a comparison with targets;
#   4. the known-item ranking benchmark on the same corpus.
#
#   bench/run.sh BUILD_DIR [--files "10000 100000"] [--peers] [--data DIR]
#
# The same settings come from the environment: QUORVALE_BENCH_FILES, QUORVALE_BENCH_PEERS=1,
# QUORVALE_BENCH_DATA (default ~/.cache/quorvale-bench). 100,000 files take about half a minute
# to generate and a few minutes to scan; recollindex takes far longer (tens of minutes).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/table.sh"

build=${1:?usage: bench/run.sh BUILD_DIR [--files \"N ...\"] [--peers] [--data DIR]}
shift
sizes=${QUORVALE_BENCH_FILES:-10000}
peers=${QUORVALE_BENCH_PEERS:-0}
data=${QUORVALE_BENCH_DATA:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvale-bench}
while (($#)); do
  case $1 in
    --files) sizes=$2; shift 2 ;;
    --peers) peers=1; shift ;;
    --data) data=$2; shift 2 ;;
    *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

run_google_benchmarks() {
  local program
  for program in "$build"/bench/*; do
    [[ -f $program && -x $program ]] || continue
    # Google Benchmark programs carry its entry point; other drivers run below.
    grep -qa 'benchmark10Initialize' "$program" || continue
    echo "== $(basename "$program")"
    "$program" --benchmark_min_time=0.05
  done
}

# compare SIZE: the result rows of every tool and the ratios the targets are stated in.
compare() {
  local results=$data/results/$1-s1
  echo "== $1 files"
  table_header
  local tool
  for tool in quorvale q-default recoll updatedb; do
    [[ -f $results/$tool.tsv ]] && table_row "$results/$tool.tsv"
  done
  [[ -f $results/quorvale.tsv && -f $results/recoll.tsv ]] || return 0
  paste "$results/quorvale.tsv" "$results/recoll.tsv" | awk -F'\t' '{
    ours = $2 / $3; theirs = $10 / $11
    printf "first scan: %.1fx recollindex files/s (target >= 6x); by cpu time %.1fx\n",
      ours / theirs, $12 / $4
    printf "rescan: %.0f entries/s (target >= 200000)\n", $6 / $5
    printf "index: %.3f of recoll on disk (target <= 0.25)\n", $7 / $15
    printf "peak memory: %.1f MB (target < 150)\n", $8 / 1024
  }'
}

run_google_benchmarks
for size in $sizes; do
  echo "== quorvale_apps_bench --files $size"
  "$build/bench/quorvale_apps_bench" --files "$size"
done
for size in $sizes; do
  echo "== quorvale_scan_bench --files $size"
  "$build/bench/quorvale_scan_bench" --files "$size" --data "$data"
  if [[ $peers == 1 ]]; then
    echo "== peers, $size files"
    "$here/peers.sh" "$build" --files "$size" --data "$data"
  fi
done
for size in $sizes; do compare "$size"; done
# Ranking: does the wanted file come first (s@1, s@8, MRR per query kind, with plain FTS5 and
# plocate beside the panel's rows)?
for size in $sizes; do
  echo "== quorvale_known_item_bench --files $size"
  "$build/bench/quorvale_known_item_bench" --files "$size" --data "$data"
done
