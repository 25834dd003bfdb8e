#!/usr/bin/env bash
# Throughput of `velogram calibrate` on a generated CSV recording (one channel, a quintic
# calibration), next to awk applying a linear map to the same file in the same run, with
# velogram's time shares (reading the CSV, calibrating, formatting and writing) and the peak
# memory of both, against the budget: the samples' size as floats plus 64 MiB.
#
#   bash bench/velogram_bench.sh [BUILD_DIR [SAMPLES]]
#
# BUILD_DIR: a Release build (default build/release); SAMPLES: default 10000000. The generated
# file is kept in BUILD_DIR/velogram-bench and reused while SAMPLES stays the same.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
samples=${2:-10000000}
velogram="$build/bin/velogram"
[ -x "$velogram" ] || { echo "no $velogram: build it first (cmake --build $build --target velogram)" >&2; exit 1; }

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
read -r v_seconds v_kib < <(measure /dev/null "$velogram" calibrate "$input" --channel 0 --points "$work/points.csv" \
  --fit quintic --unit kPa -o "$work/velogram-out.csv" --stats 2> "$work/velogram-stats.txt")
read -r a_seconds a_kib < <(measure "$work/awk-out.csv" awk -F, 'NR == 1 { print $0 ",Pressure (kPa)"; next }
  $0 == "" { print; next } { printf "%s,%.7g\n", $1, $1 * 50 - 25 }' "$input")

echo
echo "velogram calibrate vs awk, $samples samples ($(du -m "$input" | cut -f1) MB of CSV), same run:"
awk -v n="$samples" -v vs="$v_seconds" -v vk="$v_kib" -v as="$a_seconds" -v ak="$a_kib" 'BEGIN {
  printf "  %-34s %8.2f s  %7.2f million samples/s  peak %7.1f MiB\n", "velogram calibrate (quintic)", vs, n / vs / 1e6, vk / 1024
  printf "  %-34s %8.2f s  %7.2f million samples/s  peak %7.1f MiB\n", "awk (linear map)", as, n / as / 1e6, ak / 1024
  printf "  velogram / awk throughput: %.2f\n", as / vs
  budget = n * 4 / 1048576 + 64
  printf "  memory budget (samples as floats + 64 MiB): %.1f MiB; velogram used %.0f%% of it\n", budget, 100 * vk / 1024 / budget
}'
sed 's/^velogram: /  /' "$work/velogram-stats.txt"
rm -f "$work/velogram-out.csv" "$work/awk-out.csv"
