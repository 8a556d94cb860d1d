#!/usr/bin/env bash
# Whole-run benchmarks of lathwell-cli against standard tools, on deterministic data.
#
#   bench/engine_bench.sh [--build DIR] [--size MB] [--runs N] [--large]
#
#   --build DIR  build folder that holds (or gets) lathwell-cli and bench_make_data; build/
#   --size MB    size of the flat file and of the CSV file; 300
#   --runs N     timed runs of every command; the median is reported; 3
#   --large      also pad a 3000 MB file and compare its throughput with the --size one
#
# Data goes to bench/data/ (kept between runs, never committed). Every run reads a file that
# was just read, so the page cache is hot; outputs are written to bench/data/out/. Times are
# wall-clock medians; peak memory is the largest resident set (/usr/bin/time) of all runs of a
# command, for a pipeline that of its largest process. MB/s is uncompressed input bytes
# (10^6) per second. The machine may be shared: compare ratios rather than absolute speeds.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
size=300
runs=3
large=0
while [ $# -gt 0 ]; do
    case $1 in
        --build) build=$2; shift 2 ;;
        --size) size=$2; shift 2 ;;
        --runs) runs=$2; shift 2 ;;
        --large) large=1; shift ;;
        *) echo "usage: $0 [--build DIR] [--size MB] [--runs N] [--large]" >&2; exit 2 ;;
    esac
done

source scripts/deps.sh
lathwell_install_missing time
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
data=bench/data
out=$data/out
mkdir -p "$out"

if ! cmake --build "$build" -j"$(lathwell_jobs)" --target lathwell-cli bench_make_data > "$data/build.log" 2>&1; then
    cat "$data/build.log" >&2
    exit 1
fi
cli=$(realpath "$build/lathwell-cli")
make_data=$(realpath "$build/bench_make_data")

# --- Data (made once, then reused).
flat=$data/flat-$size.txt
csv=$data/table-$size.csv
dd=$data/table.dd
[ -f "$flat" ] || { echo "making $flat"; "$make_data" flat "$size" "$flat"; }
[ -f "$csv" ] || { echo "making $csv"; "$make_data" csv "$size" "$csv" "$dd"; }
[ -f "$flat.gz" ] || { echo "making $flat.gz"; gzip -6 -c "$flat" > "$flat.gz.part"; mv "$flat.gz.part" "$flat.gz"; }
if [ "$large" = 1 ]; then
    large_flat=$data/flat-3000.txt
    [ -f "$large_flat" ] || { echo "making $large_flat"; "$make_data" flat 3000 "$large_flat"; }
fi

# Python's csv module writing the same fixed records as the DD file of the CSV data.
python_csv=$(cat <<'PYTHON'
import csv, sys
layout = [(8, True), (20, False), (12, False), (9, True), (4, False), (15, False)]
tail = " " * (70 - sum(length for length, _ in layout)) + "\r\n"
with open(sys.argv[1], newline="", encoding="latin-1") as source, \
        open(sys.argv[2], "w", newline="", encoding="latin-1") as target:
    rows = csv.reader(source)
    next(rows)
    write = target.write
    for row in rows:
        if not row:
            continue
        parts = []
        for (length, numeric), value in zip(layout, row):
            if len(value) >= length:
                parts.append(value[:length])
            elif not value:
                parts.append(" " * length)
            elif numeric:
                parts.append(value.rjust(length, "0"))
            else:
                parts.append(value.ljust(length))
        write("".join(parts) + tail)
PYTHON
)

declare -A seconds rss mbps
names=()

# wall_us COMMAND RSS_FILE: runs COMMAND (a bash command line) and prints its wall time in
# microseconds; the peak resident set in KB goes to RSS_FILE. Fails when COMMAND fails.
wall_us() {
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f %M -o "$2" bash -o pipefail -c "$1" >/dev/null 2>"$out/.stderr" || return 1
    end=$(date +%s%N)
    echo $(( (end - start) / 1000 ))
}

# The cost of starting bash and /usr/bin/time, taken off every timing: tens of milliseconds,
# which matter next to cat's fraction of a second.
median_of() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
overhead_samples=()
for ((i = 0; i < 5; i++)); do
    overhead_samples+=("$(wall_us true /dev/null)")
done
overhead_us=$(median_of "${overhead_samples[@]}")

# measure NAME INPUT_BYTES COMMAND: runs COMMAND (a bash command line) $runs times and
# records median seconds, MB/s and peak RSS.
measure() {
    local name=$1 bytes=$2 command=$3
    local times=() peak=0 i us kb
    local rss_file
    rss_file=$(mktemp)
    for ((i = 0; i < runs; i++)); do
        rm -f "$out"/*
        # Dirty pages of earlier runs (or other programs) must not be written back on our time.
        sync
        if ! us=$(wall_us "$command" "$rss_file"); then
            echo "FAILED: $name: $command" >&2
            cat "$out/.stderr" >&2
            rm -f "$rss_file"
            exit 1
        fi
        us=$(( us > overhead_us ? us - overhead_us : 1 ))
        times+=("$us")
        kb=$(tail -n 1 "$rss_file")
        [ "$kb" -gt "$peak" ] && peak=$kb
    done
    rm -f "$rss_file"
    local median
    median=$(median_of "${times[@]}")
    seconds[$name]=$(awk -v us="$median" 'BEGIN { printf "%.3f", us / 1e6 }')
    mbps[$name]=$(awk -v us="$median" -v b="$bytes" 'BEGIN { printf "%.1f", b / us }')
    rss[$name]=$(awk -v kb="$peak" 'BEGIN { printf "%.1f", kb / 1024 }')
    names+=("$name")
    printf '%-40s %8s s %9s MB/s %8s MB\n' "$name" "${seconds[$name]}" "${mbps[$name]}" "${rss[$name]}"
}

bytes_of() { stat -c %s "$1"; }
# Reads the files once so that every timed run finds them in the page cache.
warm() { cat "$@" > /dev/null; }

flat_bytes=$(bytes_of "$flat")
csv_bytes=$(bytes_of "$csv")
echo "flat file $flat_bytes bytes, CSV file $csv_bytes bytes, $runs runs each, median;" \
    "$(( overhead_us / 1000 )) ms of start-up taken off each run"
echo

warm "$flat" "$flat.gz" "$csv"
measure "cat" "$flat_bytes" "cat '$flat' > '$out/cat.txt'"
# cat copies file to file inside the kernel (copy_file_range); dd shows the cost of moving the
# bytes through a program, which every converter pays.
measure "dd bs=1M" "$flat_bytes" "dd if='$flat' of='$out/dd.txt' bs=1M status=none"
measure "mawk pad 80" "$flat_bytes" "mawk '{printf \"%-80.80s\\r\\n\", \$0}' '$flat' > '$out/mawk.txd'"
measure "lathwell pad 80" "$flat_bytes" "'$cli' pad '$flat' '$out/pad.txd' --length 80 --quiet"
measure "python csv" "$csv_bytes" "python3 -c '$python_csv' '$csv' '$out/python.txd'"
measure "lathwell csv" "$csv_bytes" "'$cli' csv '$csv' '$out/csv.txd' --dd '$dd' --quiet"
measure "gzip -6" "$flat_bytes" "gzip -6 -c '$flat' > '$out/flat.gz'"
measure "gzip -dc" "$flat_bytes" "gzip -dc '$flat.gz' > '$out/flat.txt'"
measure "lathwell pad 80 to .gz" "$flat_bytes" "'$cli' pad '$flat' '$out/pad.txd.gz' --length 80 --quiet"
measure "lathwell pad 80 | gzip -6" "$flat_bytes" "'$cli' pad '$flat' - --length 80 --quiet | gzip -6 > '$out/pad.gz'"
measure "lathwell pad 80 from .gz" "$flat_bytes" "'$cli' pad '$flat.gz' '$out/pad.txd' --length 80 --quiet"
measure "gzip -dc | lathwell pad 80" "$flat_bytes" "gzip -dc '$flat.gz' | '$cli' pad - '$out/pad.txd' --length 80 --quiet"
if [ "$large" = 1 ]; then
    # A 3000 MB output outgrows the kernel's dirty-page limits, so writing it runs at the pace
    # of the disk; cat shows that share, and the runs to /dev/null show the engine alone.
    large_bytes=$(bytes_of "$large_flat")
    warm "$large_flat"
    measure "cat (3000 MB)" "$large_bytes" "cat '$large_flat' > '$out/cat.txt'"
    measure "lathwell pad 80 (3000 MB)" "$large_bytes" "'$cli' pad '$large_flat' '$out/pad.txd' --length 80 --quiet"
    warm "$flat"
    measure "lathwell pad 80 to /dev/null" "$flat_bytes" "'$cli' pad '$flat' - --length 80 --quiet > /dev/null"
    warm "$large_flat"
    measure "lathwell pad 80 (3000 MB) to /dev/null" "$large_bytes" \
        "'$cli' pad '$large_flat' - --length 80 --quiet > /dev/null"
fi

# --- Same results as the reference tools (checked once, outside the timings).
"$cli" csv "$csv" "$out/csv.txd" --dd "$dd" --quiet --force
python3 -c "$python_csv" "$csv" "$out/python.txd"
cmp -s "$out/csv.txd" "$out/python.txd" && csv_same=yes || csv_same=NO
"$cli" pad "$flat" "$out/pad.txd" --length 80 --quiet --force
"$cli" pad "$flat" "$out/pad.txd.gz" --length 80 --quiet --force
gzip -dc "$out/pad.txd.gz" | cmp -s - "$out/pad.txd" && gz_same=yes || gz_same=NO
"$cli" pad "$flat.gz" "$out/pad-from-gz.txd" --length 80 --quiet --force
cmp -s "$out/pad-from-gz.txd" "$out/pad.txd" && gz_in_same=yes || gz_in_same=NO
rm -f "$out"/* "$out/.stderr"

# --- Targets.
echo
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v op="$2" -v limit="$3" \
    'BEGIN { ok = op == ">=" ? v >= limit : op == "<" ? v < limit : v <= limit; print ok ? "met" : "MISSED" }'; }
target() {
    local what=$1 value=$2 op=$3 limit=$4 note=${5:-}
    printf '%-44s %8s  (%s %s) %-6s %s\n' "$what" "$value" "$op" "$limit" "$(verdict "$value" "$op" "$limit")" "$note"
}
target "pad speed / mawk" "$(ratio "${mbps[lathwell pad 80]}" "${mbps[mawk pad 80]}")" ">=" 2
target "pad speed / cat" "$(ratio "${mbps[lathwell pad 80]}" "${mbps[cat]}")" ">=" 0.25 \
    "aim 0.5; pad speed / dd: $(ratio "${mbps[lathwell pad 80]}" "${mbps[dd bs=1M]}")"
target "csv speed / python csv" "$(ratio "${mbps[lathwell csv]}" "${mbps[python csv]}")" ">=" 5 \
    "csv ${mbps[lathwell csv]} MB/s, aim 100; same records as python: $csv_same"
target "gzip output time / pipe" \
    "$(ratio "${seconds[lathwell pad 80 to .gz]}" "${seconds[lathwell pad 80 | gzip -6]}")" "<=" 1.15 \
    "decompresses to the plain output: $gz_same"
target "gzip input time / pipe" \
    "$(ratio "${seconds[lathwell pad 80 from .gz]}" "${seconds[gzip -dc | lathwell pad 80]}")" "<=" 1.3 \
    "same records as the plain input: $gz_in_same"
peak=0
for name in "${names[@]}"; do
    case $name in
        lathwell*|*"| lathwell"*) ;;
        *) continue ;;
    esac
    case $name in
        *"|"*) continue ;;  # a pipeline's peak may be the other tool's
    esac
    peak=$(awk -v a="$peak" -v b="${rss[$name]}" 'BEGIN { print (b > a ? b : a) }')
done
target "lathwell peak memory (MB)" "$peak" "<" 16
if [ "$large" = 1 ]; then
    target "3000 MB speed / $size MB speed, to a file" \
        "$(ratio "${mbps[lathwell pad 80 (3000 MB)]}" "${mbps[lathwell pad 80]}")" ">=" 0.9 \
        "cat: $(ratio "${mbps[cat (3000 MB)]}" "${mbps[cat]}")"
    target "3000 MB speed / $size MB speed, to /dev/null" \
        "$(ratio "${mbps[lathwell pad 80 (3000 MB) to /dev/null]}" "${mbps[lathwell pad 80 to /dev/null]}")" ">=" 0.9
fi
