#!/usr/bin/env bash
# Converts the sample files in this folder with lathwell-cli into a temporary directory and
# prints the statistics and the first records of each output. Each command is printed as it
# can be pasted into a shell: run in any writable folder, it writes its output file there.
# Usage: examples/convert.sh PATH-TO-lathwell-cli
set -euo pipefail

if [ $# -ne 1 ] || [ ! -x "$1" ]; then
    echo "usage: $0 PATH-TO-lathwell-cli" >&2
    exit 2
fi
cli=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/lathwell-examples-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Shows the first records with a "|" where each record ends, so the fixed length is visible.
show_records() {
    echo "First records of $(basename "$1"):"
    # sed reads to the end, so no writer in the pipe is cut off early.
    if [[ "$1" == *.gz ]]; then gzip -dc "$1"; else cat "$1"; fi | tr -d '\r' | sed -n "1,${2:-5}s/\$/|/p" | cat -v
    echo
}

# One shell word as it must be typed: as it is when it holds no character the shell treats
# specially, else in single quotes (a single quote inside becomes '\'').
shell_word() {
    if [[ "$1" =~ ^[A-Za-z0-9_./=@:,+%-]+$ ]]; then
        printf '%s' "$1"
    else
        printf "'%s'" "${1//\'/\'\\\'\'}"
    fi
}

# Runs lathwell-cli in the work folder with the given arguments, after printing the command
# with the absolute names of the tool and of the sample files (written as @NAME here).
run() {
    local words=("$cli")
    local word
    for word in "$@"; do
        [[ "$word" == @* ]] && word="$here/${word#@}"
        words+=("$word")
    done
    printf '$'
    for word in "${words[@]}"; do printf ' %s' "$(shell_word "$word")"; done
    printf '\n'
    (cd "$work" && "${words[@]}" 2>&1)
    echo
}

echo "== Pad or truncate a flat file to 20 bytes, blanking unprintable bytes"
run pad @flat.txt flat.txd --length 20 --blank-unprintable
show_records "$work/flat.txd" 12

echo "== The same, gzip-compressed, as JSON"
run pad @flat.txt flat.txd.gz --length 20 --json
show_records "$work/flat.txd.gz" 3

echo "== The fields the DD file offers, and how the CSV columns match them"
run fields @deaths.dd --csv @deaths.csv

echo "== Convert the CSV file; Deaths is a count field, so it is matched by hand"
run csv @deaths.csv deaths.txd --dd @deaths.dd --map "Deaths=Deaths (Cases)"
show_records "$work/deaths.txd"

echo "== Convert population counts with the population layout of the same DD file"
run csv @population.csv population.txd --dd @deaths.dd --population --map "Population=@11"
show_records "$work/population.txd"
