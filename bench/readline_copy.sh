#!/usr/bin/env bash
# Times the line copy through MpIO (ReadLine + WriteLine, bench_readline_copy) against cat on
# the same generated file in the same run: the median of RUNS runs each, as input megabytes
# per second, and the peak memory of one run each (maximum resident set size). MpIO runs with
# its default 8000-byte buffers and with the largest ones (1024000 bytes), which the
# conversion engine uses.
#
#   BUILD_DIR  build folder holding bench_readline_copy (default: build)
#   SIZE_MB    size of the generated input (default 256; generated once into bench/data/)
#   RUNS       timed runs per tool (default 5)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BUILD_DIR:-$root/build}
size_mb=${SIZE_MB:-256}
runs=${RUNS:-5}

if [ ! -x /usr/bin/time ]; then
    echo "installing GNU time for the memory measurement"
    apt-get install -y time >/dev/null
fi

cmake --build "$build" --target bench_readline_copy >/dev/null 2>&1
bench="$build/bench_readline_copy"
mkdir -p "$here/data"
input="$here/data/lines-${size_mb}mb.txt"
output="$here/data/copy-output.txt"
[ -f "$input" ] || "$bench" --generate "$input" "$size_mb"
bytes=$(stat -c %s "$input")
cat "$input" >/dev/null  # both tools start from a cached input

# Median wall time in nanoseconds of $runs runs of the command. Every run writes a new output
# file: emptying the last run's output makes ext4 wait for its write-back, whichever tool runs.
median_ns() {
    local times=()
    for _ in $(seq "$runs"); do
        local start end
        rm -f "$output"
        sync
        start=$(date +%s%N)
        "$@" >/dev/null
        end=$(date +%s%N)
        times+=($((end - start)))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

peak_kb() {
    /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ {print $2}'
}

cat_to_output() { cat "$input" >"$output"; }
copy_to_output() { "$bench" "$input" "$output" "$1"; }

cat_ns=$(median_ns cat_to_output)
small_ns=$(median_ns copy_to_output 8000)
large_ns=$(median_ns copy_to_output 1024000)
rm -f "$output"
cat_kb=$(peak_kb sh -c 'cat "$1" >"$2"' sh "$input" "$output")
rm -f "$output"
small_kb=$(peak_kb "$bench" "$input" "$output" 8000)
rm -f "$output"
large_kb=$(peak_kb "$bench" "$input" "$output" 1024000)

mbps() { echo "scale=1; $bytes * 1000000000 / $1 / 1048576" | bc; }
secs() { echo "scale=3; $1 / 1000000000" | bc; }

echo "input: $input ($((bytes / 1048576)) MB, $(wc -l <"$input") lines), median of $runs runs"
ratio() { echo "scale=2; $cat_ns / $1" | bc; }
row() { printf '%-34s %8s %10s %14s %12s\n' "$1" "$(secs "$2")" "$(mbps "$2")" "$3" "$4"; }
printf '%-34s %8s %10s %14s %12s\n' "tool" "seconds" "MB/s" "peak RSS (KB)" "vs cat"
row "cat" "$cat_ns" "$cat_kb" "1"
row "MpIO lines, 8000-byte buffers" "$small_ns" "$small_kb" "$(ratio "$small_ns")"
row "MpIO lines, 1024000-byte buffers" "$large_ns" "$large_kb" "$(ratio "$large_ns")"
rm -f "$output"
