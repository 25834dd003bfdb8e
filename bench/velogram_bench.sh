#!/usr/bin/env bash
# Throughput of `velogram calibrate` on a generated CSV recording (one channel, a quintic
# calibration), on every core and on one thread, next to awk and Miller (mlr) applying a
# linear map to the same file in the same run, and with --band (the prediction half-width of
# every sample, a second added column) beside the run without it, with velogram's work shares (reading, reading
# the numbers, calibrating, formatting, writing) and the peak memory of each, against
# velogram's bound: 100 MiB whatever the file's size.
#
#   bash bench/velogram_bench.sh [BUILD_DIR [SAMPLES [velogram]]]
#
# BUILD_DIR: a Release build (default build/release); SAMPLES: default 10000000 (1.2e8 make a
# file of about 1 GB); "velogram" as the third argument leaves out awk and Miller. The
# generated file is kept in BUILD_DIR/velogram-bench and reused while SAMPLES stays the same.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
samples=${2:-10000000}
only=${3:-}
velogram="$build/bin/velogram"
[ -x "$velogram" ] || { echo "no $velogram: build it first (cmake --build $build --target velogram)" >&2; exit 1; }
if [ -z "$only" ]; then
  command -v mlr > /dev/null || { echo "no mlr: install Miller (bash scripts/setup.sh)" >&2; exit 1; }
fi

work="$build/velogram-bench"
mkdir -p "$work"
input="$work/signal-$samples.csv"
if [ ! -s "$input" ]; then
  echo "generating $input ($samples samples)"
  awk -v n="$samples" 'BEGIN {
    print "Signal (V)"
    for (i = 0; i < n; i++) printf "%.6f\n", 2.5 + 2 * sin(i * 0.001) + 0.01 * ((i * 7919) % 101) / 101
  }' > "$input.part"
  mv "$input.part" "$input"
fi
cat > "$work/points.csv" <<'POINTS'
Signal (V),Pressure (kPa)
0.5,0
1,24.8
1.5,50.1
2,75.6
2.5,99.7
3,125.3
3.5,150.2
4,174.6
4.5,200.4
POINTS
cat "$input" > /dev/null   # both tools start from a warm page cache

# measure OUT COMMAND...: runs the command with its output into OUT, under GNU time when it is
# there; prints "seconds peak_kib" (peak 0 without GNU time).
measure() {
  local log="$work/time.log" out="$1"
  shift
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -v -o "$log" "$@" > "$out"
    awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i] }
                /Maximum resident set size/ { kib = $2 }
                END { print s, kib }' "$log"
  else
    local start end
    start=$(date +%s.%N)
    "$@" > "$out"
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { print b - a, 0 }'
  fi
}

export XDG_CONFIG_HOME="$work/config"   # the unit list velogram keeps stays in the bench folder
calibrate=("$velogram" calibrate "$input" --channel 0 --points "$work/points.csv" --fit quintic --unit kPa
           -o "$work/velogram-out.csv" --stats)
read -r v_seconds v_kib < <(measure /dev/null "${calibrate[@]}" 2> "$work/velogram-stats.txt")
read -r v1_seconds v1_kib < <(measure /dev/null "${calibrate[@]}" --threads 1 2> "$work/velogram-stats-1.txt")
read -r b_seconds b_kib < <(measure /dev/null "${calibrate[@]}" --band 2> "$work/velogram-stats-band.txt")
if [ -z "$only" ]; then
  read -r a_seconds a_kib < <(measure "$work/awk-out.csv" awk -F, 'NR == 1 { print $0 ",Pressure (kPa)"; next }
    $0 == "" { print; next } { printf "%s,%.7g\n", $1, $1 * 50 - 25 }' "$input")
  read -r m_seconds m_kib < <(measure "$work/mlr-out.csv" mlr --icsv --ocsv \
    put '$["Pressure (kPa)"] = fmtnum($["Signal (V)"] * 50 - 25, "%.7g")' "$input")
fi

echo
echo "velogram calibrate vs awk and Miller, $samples samples ($(du -m "$input" | cut -f1) MB of CSV), same run:"
row() {  # NAME SECONDS KIB
  awk -v name="$1" -v s="$2" -v k="$3" -v n="$samples" -v base="${a_seconds:-0}" 'BEGIN {
    printf "  %-36s %8.2f s  %7.2f million samples/s  peak %7.1f MiB", name, s, n / s / 1e6, k / 1024
    if (base > 0) printf "  %6.3f of awk'"'"'s time", s / base
    printf "\n"
  }'
}
cores=$(nproc)
row "velogram calibrate ($cores threads)" "$v_seconds" "$v_kib"
row "velogram calibrate (1 thread)" "$v1_seconds" "$v1_kib"
row "velogram calibrate --band ($cores threads)" "$b_seconds" "$b_kib"
awk -v b="$b_seconds" -v v="$v_seconds" 'BEGIN { printf "  --band costs %.2fx the run without it (bound: 2x)\n", b / v }'
if [ -z "$only" ]; then
  row "awk (linear map)" "$a_seconds" "$a_kib"
  row "Miller (linear map)" "$m_seconds" "$m_kib"
fi
if [ -z "$only" ]; then
  # velogram makes its output durable before it replaces the target; awk and Miller leave theirs
  # to the page cache. The wait is in velogram's time above; this is the time without it.
  sync_seconds=$(awk '/waiting for the output to reach the disk/ { print $(NF - 1) }' "$work/velogram-stats.txt")
  awk -v s="${sync_seconds:-0}" -v v="$v_seconds" -v a="$a_seconds" 'BEGIN {
    printf "  of velogram'"'"'s %.2f s, %.2f s wait for its output to reach the disk (awk and Miller do not wait):\n", v, s
    printf "  without that wait %.3f of awk'"'"'s time\n", (v - s) / a
  }'
fi
awk -v vk="$v_kib" -v v1k="$v1_kib" 'BEGIN {
  printf "  velogram'"'"'s memory bound 100 MiB: used %.0f%% of it (1 thread: %.0f%%)\n", 100 * vk / 1024 / 100, 100 * v1k / 1024 / 100
}'
echo "  velogram, $cores threads:"
sed 's/^velogram: /    /' "$work/velogram-stats.txt"
echo "  velogram, 1 thread:"
sed 's/^velogram: /    /' "$work/velogram-stats-1.txt"
rm -f "$work/velogram-out.csv" "$work/awk-out.csv" "$work/mlr-out.csv"
