#!/usr/bin/env bash
# Compares one pad/truncate run (record length 80) driven by the main window with the same
# run through lathwell-cli, on a generated flat file of about 200 MB (hot page cache).
# Usage: bench/window_vs_cli.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
data=bench/data
mkdir -p "$data"
input=$data/window_flat.txt
if [ ! -s "$input" ]; then
    python3 - "$input" <<'PY'
import random, sys
random.seed(7)
alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ,.;-"
with open(sys.argv[1], "w") as out:
    written = 0
    while written < 200 * 1024 * 1024:
        line = "".join(random.choices(alphabet, k=random.randint(0, 160)))
        out.write(line + "\n")
        written += len(line) + 1
PY
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cat "$input" > /dev/null

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

window_times=()
cli_times=()
for _ in $(seq "$runs"); do
    rm -f "$out/w.txd" "$out/c.txd"
    window_times+=("$(QT_QPA_PLATFORM=offscreen "$build/bench_window_run" "$input" "$out/w.txd" 80)")
    start=$(date +%s%N)
    "$build/lathwell-cli" pad "$input" "$out/c.txd" --length 80 --quiet
    cli_times+=("$(python3 -c "print(($(date +%s%N) - $start) / 1e9)")")
done
cmp "$out/w.txd" "$out/c.txd"
w=$(printf '%s\n' "${window_times[@]}" | median)
c=$(printf '%s\n' "${cli_times[@]}" | median)
mb=$(( $(stat -c %s "$input") / 1000000 ))
printf 'input %s MB, %s runs each (median seconds)\n' "$mb" "$runs"
printf 'window  %8.3f s\ncli     %8.3f s\nratio   %8.2f (window / cli)\n' "$w" "$c" "$(python3 -c "print($w / $c)")"
