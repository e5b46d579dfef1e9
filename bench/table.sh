# Result rows shared by bench/peers.sh and bench/run.sh, in the same shape as quorvale_scan_bench
# prints them. A result file holds one tab-separated line:
#   tool files first_seconds first_cpu_seconds rescan_seconds rescan_entries index_bytes peak_kb

table_header() {
  printf '%-10s %8s %9s %9s %9s %9s %11s %9s %10s %8s\n' tool files "first s" "cpu s" files/s \
    "rescan s" entries/s "index MB" bytes/file "peak MB"
}

# table_row RESULT_FILE
table_row() {
  awk -F'\t' '{
    fps = ($3 > 0) ? $2 / $3 : 0; eps = ($5 > 0) ? $6 / $5 : 0; bpf = ($2 > 0) ? $7 / $2 : 0
    printf "%-10s %8d %9.2f %9.2f %9.0f %9.3f %11.0f %9.1f %10.0f %8.1f\n",
      $1, $2, $3, $4, fps, $5, eps, $7 / 1e6, bpf, $8 / 1024
  }' "$1"
}

# save_row FILE tool files first_s first_cpu_s rescan_s rescan_entries index_bytes peak_kb
save_row() {
  local file=$1
  shift
  mkdir -p "$(dirname "$file")"
  local IFS=$'\t'
  echo "$*" >"$file"
}

# GNU time -v field, e.g. time_field FILE "Maximum resident set size (kbytes)"
time_field() {
  awk -F': ' -v key="$2" 'index($0, key) { print $NF; exit }' "$1"
}

# Seconds from GNU time's "Elapsed (wall clock) time" (h:mm:ss or m:ss.ss).
wall_seconds() {
  time_field "$1" "Elapsed (wall clock) time" |
    awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }'
}

cpu_seconds() {
  echo "$(time_field "$1" "User time (seconds)") $(time_field "$1" "System time (seconds)")" |
    awk '{ print $1 + $2 }'
}
