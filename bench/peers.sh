#!/usr/bin/env bash
# Indexes the scan benchmark's corpus with the peers, the same way quorvale_scan_bench does:
# recollindex (content index) into a private configuration folder with default settings (but
# normal scheduling priority), then its unchanged re-run; plocate's updatedb (names only), then
# its re-run. Wall and CPU time and peak memory come from GNU time, the index size from the disk.
#
#   bench/peers.sh BUILD_DIR [--files N] [--seed S] [--data DIR]
#
# The corpus is the one quorvale_scan_bench generates (it is created when missing); results go to
# DIR/results/N-sS/{recoll,updatedb}.tsv.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/table.sh"

build=${1:?usage: bench/peers.sh BUILD_DIR [--files N] [--seed S] [--data DIR]}
shift
files=10000
seed=1
data=${QUORVALE_BENCH_DATA:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvale-bench}
while (($#)); do
  case $1 in
    --files) files=$2 ;;
    --seed) seed=$2 ;;
    --data) data=$2 ;;
    *) echo "peers.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done

for tool in recollindex updatedb /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "peers.sh: $tool is missing (scripts/setup.sh --bench)" >&2; exit 1; }
done

root=$("$build/bench/quorvale_scan_bench" --files "$files" --seed "$seed" --data "$data" --print-corpus)
corpus_files=$(awk '$1 == "files" { print $2 }' "$root.stats")
runs="$data/runs"
results="$data/results/$files-s$seed"
mkdir -p "$runs"

# timed LOG COMMAND...: runs the command under GNU time, its own output to LOG.out.
timed() {
  local log=$1
  shift
  /usr/bin/time -v -o "$log" "$@" >"$log.out" 2>&1
}

run_recoll() {
  local conf
  conf=$(mktemp -d "$runs/recoll-$files-s$seed.XXXXXX")
  # Defaults except the scheduling: recollindex lowers its own CPU and I/O priority (nice 19,
  # idle I/O class), which on a busy machine would time the other programs' work instead of its
  # own. Ours runs at normal priority, so recoll does too.
  printf 'topdirs = %s\nidxniceprio = 0\nmonioniceclass = 2\n' "$root" >"$conf/recoll.conf"
  echo "recollindex: first index into $conf" >&2
  RECOLL_CONFDIR=$conf timed "$conf/first.time" recollindex -c "$conf"
  echo "recollindex: unchanged re-run" >&2
  RECOLL_CONFDIR=$conf timed "$conf/rerun.time" recollindex -c "$conf"
  local size
  size=$(du -sb "$conf/xapiandb" | cut -f1)
  if [[ -s "$conf/missing" ]]; then
    echo "recollindex: helpers it reported missing:" >&2
    sed 's/^/  /' "$conf/missing" >&2
  fi
  save_row "$results/recoll.tsv" recoll "$corpus_files" "$(wall_seconds "$conf/first.time")" \
    "$(cpu_seconds "$conf/first.time")" "$(wall_seconds "$conf/rerun.time")" "$corpus_files" \
    "$size" "$(time_field "$conf/first.time" "Maximum resident set size (kbytes)")"
  # The index itself is large and of no further use; the logs stay for inspection.
  rm -rf "$conf/xapiandb"
}

run_updatedb() {
  local dir=$runs/plocate-$files-s$seed
  rm -rf "$dir"
  mkdir -p "$dir"
  echo "updatedb: first database" >&2
  timed "$dir/first.time" updatedb -l 0 -U "$root" -o "$dir/plocate.db"
  echo "updatedb: unchanged re-run" >&2
  timed "$dir/rerun.time" updatedb -l 0 -U "$root" -o "$dir/plocate.db"
  save_row "$results/updatedb.tsv" updatedb "$corpus_files" "$(wall_seconds "$dir/first.time")" \
    "$(cpu_seconds "$dir/first.time")" "$(wall_seconds "$dir/rerun.time")" "$corpus_files" \
    "$(stat -c %s "$dir/plocate.db")" \
    "$(time_field "$dir/first.time" "Maximum resident set size (kbytes)")"
}

run_recoll
run_updatedb
echo
table_header
table_row "$results/recoll.tsv"
table_row "$results/updatedb.tsv"
