#!/usr/bin/env bash
# Whole-run benchmarks of lathwell-cli against hand-written C programs and standard tools, on
# deterministic data, reported as ratios measured in one run.
#
#   bench/engine_bench.sh [--build DIR] [--size MB] [--runs N] [--large] [--rows REGEX]
#
#   --build DIR  build folder that holds (or gets) lathwell-cli and bench_make_data; build/
#   --size MB    size of the flat file and of the CSV file; 300. The slow rows (Python's csv,
#                gzip compression) read a file of a third of that size.
#   --runs N     rounds; every command runs once per round and the median is reported; 3
#   --large      also pad a 3000 MB file and compare its throughput with the --size one
#   --rows REGEX only the rows whose name matches (grep -E), and the targets they make up;
#                e.g. --rows 'lathwell (csv|check|unpack)$'
#
# The yardsticks are C programs in bench/ (pad_reference.c, csv_reference.c), compiled here
# with cc -O2: 1 MB fread, memchr, fields and lines copied straight into a 1 MB output block.
# Rounds run every command in turn, so on a shared machine each command meets the same load
# and the ratios within a run stay fair. Data goes to bench/data/ (kept between runs, never
# committed); every command reads a file that was just read (hot page cache) and writes to
# bench/data/out/. Times are wall-clock medians with the start-up of the timing wrapper taken
# off; CPU is the median of user + system seconds. Peak memory is the largest resident set
# (/usr/bin/time) of all runs of a command, for a pipeline that of its largest process. MB/s is
# uncompressed input bytes (10^6) per second. Rows that need an option this lathwell-cli does
# not have (--threads) are skipped with a note.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
size=300
runs=3
large=0
rows=
while [ $# -gt 0 ]; do
    case $1 in
        --build) build=$2; shift 2 ;;
        --size) size=$2; shift 2 ;;
        --runs) runs=$2; shift 2 ;;
        --large) large=1; shift ;;
        --rows) rows=$2; shift 2 ;;
        *) echo "usage: $0 [--build DIR] [--size MB] [--runs N] [--large] [--rows REGEX]" >&2; exit 2 ;;
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
for program in pad_reference csv_reference; do
    cc -O2 -o "$data/$program" "bench/$program.c"
done
pad_c=$(realpath "$data/pad_reference")
csv_c=$(realpath "$data/csv_reference")

# --- Data (made once, then reused).
small=$(( size / 3 > 0 ? size / 3 : 1 ))
flat=$data/flat-$size.txt
csv=$data/table-$size.csv
small_flat=$data/flat-$small.txt
small_csv=$data/table-$small.csv
dd=$data/table.dd
for mb in "$size" "$small"; do
    [ -f "$data/flat-$mb.txt" ] || { echo "making $data/flat-$mb.txt"; "$make_data" flat "$mb" "$data/flat-$mb.txt"; }
    [ -f "$data/table-$mb.csv" ] || { echo "making $data/table-$mb.csv"; "$make_data" csv "$mb" "$data/table-$mb.csv" "$dd"; }
done
# The records of the CSV file, for checking and unpacking them.
txd=$data/table-$size.txd
[ -f "$txd" ] || { echo "making $txd"; "$cli" csv "$csv" "$txd.part" --dd "$dd" --quiet --force; mv "$txd.part" "$txd"; }
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

cores=$(nproc)
bytes_of() { stat -c %s "$1"; }
flat_bytes=$(bytes_of "$flat")
csv_bytes=$(bytes_of "$csv")
small_flat_bytes=$(bytes_of "$small_flat")
small_csv_bytes=$(bytes_of "$small_csv")
txd_bytes=$(bytes_of "$txd")

# Whether this lathwell-cli takes --threads (the multi-threaded gzip writer).
printf 'a\n' > "$out/probe.txt"
threads_option=0
"$cli" pad "$out/probe.txt" "$out/probe.txd.gz" --length 4 --quiet --force --threads 1 >/dev/null 2>&1 && threads_option=1
# Whether it takes --level (the gzip output's compression level).
level_option=0
"$cli" pad "$out/probe.txt" "$out/probe.txd.gz" --length 4 --quiet --force --level 1 >/dev/null 2>&1 && level_option=1

# --- The rows: name, input bytes, command (a bash command line).
names=()
declare -A row_bytes row_command skipped
row() {
    if [ -n "$rows" ] && ! grep -Eq -- "$rows" <<< "$1"; then return; fi
    names+=("$1")
    row_bytes[$1]=$2
    row_command[$1]=$3
}
skip() { skipped[$1]=$2; }

row "cat" "$flat_bytes" "cat '$flat' > '$out/cat.txt'"
row "mawk pad 80" "$flat_bytes" "mawk '{printf \"%-80.80s\\r\\n\", \$0}' '$flat' > '$out/mawk.txd'"
row "C pad 80" "$flat_bytes" "'$pad_c' 80 '$flat' '$out/c-pad.txd'"
row "lathwell pad 80" "$flat_bytes" "'$cli' pad '$flat' '$out/pad.txd' --length 80 --quiet"
if [ "$threads_option" = 1 ]; then
    for n in 2 1; do
        row "lathwell pad 80, --threads $n" "$flat_bytes" "'$cli' pad '$flat' '$out/pad-$n.txd' --length 80 --quiet --threads $n"
    done
else
    skip "lathwell pad 80, --threads 2" "this lathwell-cli has no --threads"
fi
row "python csv" "$small_csv_bytes" "python3 -c '$python_csv' '$small_csv' '$out/python.txd'"
row "C csv" "$csv_bytes" "'$csv_c' '$csv' '$out/c-csv.txd'"
row "lathwell csv" "$csv_bytes" "'$cli' csv '$csv' '$out/csv.txd' --dd '$dd' --quiet"
if [ "$threads_option" = 1 ]; then
    for n in 2 1; do
        row "lathwell csv, --threads $n" "$csv_bytes" "'$cli' csv '$csv' '$out/csv-$n.txd' --dd '$dd' --quiet --threads $n"
    done
else
    skip "lathwell csv, --threads 2" "this lathwell-cli has no --threads"
fi
row "lathwell check" "$txd_bytes" "'$cli' check '$txd' --dd '$dd' --quiet"
row "lathwell unpack" "$txd_bytes" "'$cli' unpack '$txd' '$out/unpack.csv' --dd '$dd' --quiet --force"
row "gzip -6" "$small_flat_bytes" "gzip -6 -c '$small_flat' > '$out/flat.gz'"
row "pigz -6 -p 1" "$small_flat_bytes" "pigz -6 -p 1 -c '$small_flat' > '$out/flat-1.gz'"
row "pigz -6 -p $cores" "$small_flat_bytes" "pigz -6 -p $cores -c '$small_flat' > '$out/flat-n.gz'"
row "lathwell pad 80 | gzip -6" "$small_flat_bytes" \
    "'$cli' pad '$small_flat' - --length 80 --quiet | gzip -6 > '$out/pipe.gz'"
row "lathwell pad 80 to .gz" "$small_flat_bytes" "'$cli' pad '$small_flat' '$out/pad.txd.gz' --length 80 --quiet"
if [ "$threads_option" = 1 ]; then
    row "lathwell pad 80 to .gz, 1 thread" "$small_flat_bytes" \
        "'$cli' pad '$small_flat' '$out/pad-1.txd.gz' --length 80 --quiet --threads 1"
else
    skip "lathwell pad 80 to .gz, 1 thread" "this lathwell-cli has no --threads"
fi
if [ "$level_option" = 1 ]; then
    row "lathwell pad 80 to .gz, level 1" "$small_flat_bytes" \
        "'$cli' pad '$small_flat' '$out/pad-l1.txd.gz' --length 80 --quiet --level 1"
else
    skip "lathwell pad 80 to .gz, level 1" "this lathwell-cli has no --level"
fi
row "lathwell pad 80 | pigz -1 -p $cores" "$small_flat_bytes" \
    "'$cli' pad '$small_flat' - --length 80 --quiet | pigz -1 -p $cores > '$out/pipe-1.gz'"
row "gzip -dc" "$flat_bytes" "gzip -dc '$flat.gz' > '$out/flat.txt'"
if command -v pigz >/dev/null; then
    row "pigz -dc" "$flat_bytes" "pigz -dc '$flat.gz' > '$out/flat-pigz.txt'"
fi
row "gzip -dc | lathwell pad 80" "$flat_bytes" "gzip -dc '$flat.gz' | '$cli' pad - '$out/pad-pipe.txd' --length 80 --quiet"
row "lathwell pad 80 from .gz" "$flat_bytes" "'$cli' pad '$flat.gz' '$out/pad-gz.txd' --length 80 --quiet"
if [ "$large" = 1 ]; then
    # A 3000 MB output outgrows the kernel's dirty-page limits, so writing it runs at the pace
    # of the disk; cat shows that share, and the runs to /dev/null show the engine alone.
    large_bytes=$(bytes_of "$large_flat")
    row "cat (3000 MB)" "$large_bytes" "cat '$large_flat' > '$out/cat-large.txt'"
    row "lathwell pad 80 (3000 MB)" "$large_bytes" "'$cli' pad '$large_flat' '$out/pad-large.txd' --length 80 --quiet"
    row "lathwell pad 80 to /dev/null" "$flat_bytes" "'$cli' pad '$flat' - --length 80 --quiet > /dev/null"
    row "lathwell pad 80 (3000 MB) to /dev/null" "$large_bytes" \
        "'$cli' pad '$large_flat' - --length 80 --quiet > /dev/null"
fi
if ! command -v pigz >/dev/null; then
    for name in "pigz -6 -p 1" "pigz -6 -p $cores" "lathwell pad 80 | pigz -1 -p $cores"; do
        skip "$name" "pigz is not installed"
    done
fi

# run_once COMMAND: runs COMMAND and prints "wall-microseconds cpu-seconds peak-KB"; fails
# when COMMAND fails.
run_once() {
    local start end stats
    start=$(date +%s%N)
    /usr/bin/time -f '%e %U %S %M' -o "$out/.time" bash -o pipefail -c "$1" >/dev/null 2>"$out/.stderr" || return 1
    end=$(date +%s%N)
    stats=$(tail -n 1 "$out/.time")
    awk -v us=$(( (end - start) / 1000 )) -v s="$stats" \
        'BEGIN { split(s, f, " "); printf "%d %.3f %d\n", us, f[2] + f[3], f[4] }'
}

# The cost of starting bash and /usr/bin/time, taken off every timing: tens of milliseconds,
# which matter next to cat's fraction of a second.
median_of() { printf '%s\n' "$@" | sort -g | sed -n "$(( ($# + 1) / 2 ))p"; }
overhead_samples=()
for ((i = 0; i < 5; i++)); do
    read -r us _ _ < <(run_once true)
    overhead_samples+=("$us")
done
overhead_us=$(median_of "${overhead_samples[@]}")

warm() { cat "$@" > /dev/null; }
echo "$(lscpu | sed -n 's/^Model name: *//p' | head -1), $cores cores, $(free -g | awk '/^Mem/ { print $2 }') GB;" \
    "flat $flat_bytes bytes, CSV $csv_bytes bytes, slow rows on a third; $runs rounds, medians;" \
    "$(( overhead_us / 1000 )) ms of start-up taken off each run"
echo

declare -A walls cpus peak
for ((round = 0; round < runs; round++)); do
    for name in "${names[@]}"; do
        case $name in
            *"3000 MB"*) warm "$large_flat" ;;
            *) ;;
        esac
        rm -f "$out"/*.txd "$out"/*.gz "$out"/*.txt "$out"/*.csv
        # Dirty pages of earlier runs (or other programs) must not be written back on our time.
        sync
        if ! read -r us cpu kb < <(run_once "${row_command[$name]}"); then
            echo "FAILED: $name: ${row_command[$name]}" >&2
            cat "$out/.stderr" >&2
            exit 1
        fi
        us=$(( us > overhead_us ? us - overhead_us : 1 ))
        walls[$name]="${walls[$name]:-} $us"
        cpus[$name]="${cpus[$name]:-} $cpu"
        [ "$kb" -gt "${peak[$name]:-0}" ] && peak[$name]=$kb
    done
done

declare -A seconds mbps cpu_seconds rss
printf '%-42s %9s %9s %9s %9s\n' "command" "seconds" "MB/s" "CPU s" "peak MiB"
for name in "${names[@]}"; do
    # shellcheck disable=SC2086
    median=$(median_of ${walls[$name]})
    # shellcheck disable=SC2086
    cpu_seconds[$name]=$(median_of ${cpus[$name]})
    seconds[$name]=$(awk -v us="$median" 'BEGIN { printf "%.3f", us / 1e6 }')
    mbps[$name]=$(awk -v us="$median" -v b="${row_bytes[$name]}" 'BEGIN { printf "%.1f", b / us }')
    rss[$name]=$(awk -v kb="${peak[$name]}" 'BEGIN { printf "%.1f", kb / 1024 }')
    printf '%-42s %9s %9s %9s %9s\n' "$name" "${seconds[$name]}" "${mbps[$name]}" "${cpu_seconds[$name]}" "${rss[$name]}"
done
for name in "${!skipped[@]}"; do
    printf '%-42s skipped: %s\n' "$name" "${skipped[$name]}"
done

# --- Same results as the yardsticks (checked once, outside the timings), and the targets,
# for the rows that ran.
has() { [ -n "${mbps[$1]:-}" ]; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v op="$2" -v limit="$3" \
    'BEGIN { ok = op == ">=" ? v >= limit : op == "<" ? v < limit : v <= limit; print ok ? "met" : "MISSED" }'; }
target() {
    local what=$1 value=$2 op=$3 limit=$4 note=${5:-}
    printf '%-44s %8s  (%s %s) %-6s %s\n' "$what" "$value" "$op" "$limit" "$(verdict "$value" "$op" "$limit")" "$note"
}
same() { cmp -s "$1" "$2" && echo yes || echo NO; }
# "by CPU time" ratio of two rows.
cpu_ratio() { ratio "$(ratio "${row_bytes[$1]}" "${cpu_seconds[$1]}")" "$(ratio "${row_bytes[$2]}" "${cpu_seconds[$2]}")"; }
echo
if has "lathwell pad 80" && has "C pad 80"; then
    "$cli" pad "$flat" "$out/pad.txd" --length 80 --quiet --force
    "$pad_c" 80 "$flat" "$out/c-pad.txd"
    note="by CPU time $(cpu_ratio "lathwell pad 80" "C pad 80"); same records: $(same "$out/pad.txd" "$out/c-pad.txd")"
    has "mawk pad 80" && note="$note; / mawk $(ratio "${mbps[lathwell pad 80]}" "${mbps[mawk pad 80]}")"
    target "pad speed / C pad" "$(ratio "${mbps[lathwell pad 80]}" "${mbps[C pad 80]}")" ">=" 0.9 "$note"
fi
if has "lathwell csv" && has "C csv"; then
    "$cli" csv "$csv" "$out/csv.txd" --dd "$dd" --quiet --force
    "$csv_c" "$csv" "$out/c-csv.txd"
    note="by CPU time $(cpu_ratio "lathwell csv" "C csv"); same records: $(same "$out/csv.txd" "$out/c-csv.txd")"
    if has "python csv"; then
        "$cli" csv "$small_csv" "$out/csv-small.txd" --dd "$dd" --quiet --force
        python3 -c "$python_csv" "$small_csv" "$out/python.txd"
        note="$note; / python csv $(ratio "${mbps[lathwell csv]}" "${mbps[python csv]}")"
        note="$note (same records: $(same "$out/csv-small.txd" "$out/python.txd"))"
    fi
    target "csv speed / C csv" "$(ratio "${mbps[lathwell csv]}" "${mbps[C csv]}")" ">=" 0.75 "$note"
fi
for what in pad csv; do
    case $what in
        pad) mine="lathwell pad 80" c_row="C pad 80" limit=1.4 ;;
        csv) mine="lathwell csv" c_row="C csv" limit=1.6 ;;
    esac
    has "$mine, --threads 2" && has "$mine, --threads 1" && has "$c_row" || continue
    target "$what --threads 2 / C $what" "$(ratio "${mbps[$mine, --threads 2]}" "${mbps[$c_row]}")" ">=" $limit \
        "--threads 1 / C $what $(ratio "${mbps[$mine, --threads 1]}" "${mbps[$c_row]}"); --threads 2 / --threads 1 $(ratio "${mbps[$mine, --threads 2]}" "${mbps[$mine, --threads 1]}")"
done
if has "lathwell pad 80 to .gz"; then
    "$cli" pad "$small_flat" "$out/pad-small.txd" --length 80 --quiet --force
    "$cli" pad "$small_flat" "$out/pad.txd.gz" --length 80 --quiet --force
    gzip -t "$out/pad.txd.gz" && gzip -dc "$out/pad.txd.gz" | cmp -s - "$out/pad-small.txd" && gz_same=yes || gz_same=NO
    if has "lathwell pad 80 to .gz, 1 thread"; then
        target "gzip output, default / 1 thread" \
            "$(ratio "${mbps[lathwell pad 80 to .gz]}" "${mbps[lathwell pad 80 to .gz, 1 thread]}")" ">=" \
            "$(awk -v c="$cores" 'BEGIN { printf "%.1f", 0.8 * c }')" "decompresses to the plain output, gzip -t clean: $gz_same"
    else
        echo "gzip output, default / 1 thread: skipped (no --threads); decompresses to the plain output: $gz_same"
    fi
    if has "pigz -6 -p $cores" && has "lathwell pad 80 | gzip -6"; then
        target "gzip output / pigz -6 -p $cores" "$(ratio "${mbps[lathwell pad 80 to .gz]}" "${mbps[pigz -6 -p $cores]}")" ">=" 1 \
            "/ lathwell | gzip -6: $(ratio "${mbps[lathwell pad 80 to .gz]}" "${mbps[lathwell pad 80 | gzip -6]}")"
    fi
fi
if has "lathwell pad 80 to .gz, level 1" && has "lathwell pad 80 | pigz -1 -p $cores"; then
    "$cli" pad "$small_flat" "$out/pad-small.txd" --length 80 --quiet --force
    "$cli" pad "$small_flat" "$out/pad-l1.txd.gz" --length 80 --quiet --force --level 1
    "$cli" pad "$small_flat" - --length 80 --quiet | pigz -1 -p "$cores" > "$out/pipe-1.gz"
    gzip -t "$out/pad-l1.txd.gz" && gzip -dc "$out/pad-l1.txd.gz" | cmp -s - "$out/pad-small.txd" &&
        l1_same=yes || l1_same=NO
    target "gzip output --level 1 / pad | pigz -1 -p $cores" \
        "$(ratio "${mbps[lathwell pad 80 to .gz, level 1]}" "${mbps[lathwell pad 80 | pigz -1 -p $cores]}")" ">=" 2 \
        "decompresses to the plain output, gzip -t clean: $l1_same"
    target "gzip output --level 1 size / pigz -1's" \
        "$(ratio "$(bytes_of "$out/pad-l1.txd.gz")" "$(bytes_of "$out/pipe-1.gz")")" "<=" 1.05
fi
if has "lathwell pad 80 from .gz" && has "gzip -dc | lathwell pad 80"; then
    "$cli" pad "$flat" "$out/pad.txd" --length 80 --quiet --force
    "$cli" pad "$flat.gz" "$out/pad-from-gz.txd" --length 80 --quiet --force
    target "gzip input / gzip -dc | lathwell" \
        "$(ratio "${mbps[lathwell pad 80 from .gz]}" "${mbps[gzip -dc | lathwell pad 80]}")" ">=" 2.5 \
        "same records as the plain input: $(same "$out/pad-from-gz.txd" "$out/pad.txd")"
fi
rm -f "$out"/* "$out/.stderr" "$out/.time"
plain_peak=0
for name in "lathwell pad 80" "lathwell csv" "lathwell pad 80, --threads 2" "lathwell csv, --threads 2" \
    "lathwell pad 80 (3000 MB)"; do
    has "$name" || continue
    plain_peak=$(awk -v a="$plain_peak" -v b="${rss[$name]}" 'BEGIN { print (b > a ? b : a) }')
done
[ "$plain_peak" = 0 ] || target "lathwell plain peak memory (MiB)" "$plain_peak" "<" 16
if [ "$large" = 1 ] && has "lathwell pad 80 (3000 MB)" && has "lathwell pad 80"; then
    note=
    has "cat (3000 MB)" && has "cat" && note="cat: $(ratio "${mbps[cat (3000 MB)]}" "${mbps[cat]}")"
    target "3000 MB speed / $size MB speed, to a file" \
        "$(ratio "${mbps[lathwell pad 80 (3000 MB)]}" "${mbps[lathwell pad 80]}")" ">=" 0.9 "$note"
fi
if [ "$large" = 1 ] && has "lathwell pad 80 (3000 MB) to /dev/null" && has "lathwell pad 80 to /dev/null"; then
    target "3000 MB speed / $size MB speed, to /dev/null" \
        "$(ratio "${mbps[lathwell pad 80 (3000 MB) to /dev/null]}" "${mbps[lathwell pad 80 to /dev/null]}")" ">=" 0.9
fi
# check and unpack run on one thread: they are compared with a one-thread csv run where there is one.
csv_row="lathwell csv"
has "lathwell csv, --threads 1" && csv_row="lathwell csv, --threads 1"
if has "lathwell check" && has "$csv_row"; then
    target "check time / csv time" "$(ratio "${seconds[lathwell check]}" "${seconds[$csv_row]}")" "<=" 1 \
        "check of the csv output, clean; csv row: $csv_row"
fi
if has "lathwell unpack" && has "$csv_row"; then
    target "unpack time / csv time" "$(ratio "${seconds[lathwell unpack]}" "${seconds[$csv_row]}")" "<=" 1.5 \
        "csv row: $csv_row"
fi
