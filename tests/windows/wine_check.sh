#!/usr/bin/env bash
# Runs lathwell-cli.exe under Wine beside the Linux lathwell-cli on the examples: every output
# file, standard output, standard error and exit status must be the same (pad, csv, gzip out
# and gzip in). Then a second run on an output that a first run holds is refused, and Ctrl-C
# stops a run.
# Usage: wine_check.sh LINUX-lathwell-cli WINDOWS-lathwell-cli.exe EXAMPLES-FOLDER
set -euo pipefail
linux_cli=$(realpath "$1")
windows_cli=$(realpath "$2")
examples=$(cd "$3" && pwd)
wine=${LATHWELL_WINE:-/usr/lib/wine/wine64}
work=$(mktemp -d "${TMPDIR:-/tmp}/lathwell-wine-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/linux" "$work/windows"
failures=0

# Runs one command line of lathwell-cli arguments in both folders and compares everything.
same_on_both() {
    local side
    for side in linux windows; do
        local cli=("$linux_cli")
        [ "$side" = windows ] && cli=("$wine" "$windows_cli")
        (cd "$work/$side" && set +e; "${cli[@]}" "$@" >stdout 2>stderr; echo $? >status)
    done
    local file
    for file in stdout stderr status "${outputs[@]}"; do
        if ! cmp -s "$work/linux/$file" "$work/windows/$file"; then
            echo "DIFFERS under Wine: $file of lathwell-cli $*" >&2
            failures=$((failures + 1))
        fi
    done
}

outputs=(flat.txd)
same_on_both pad "$examples/flat.txt" flat.txd --length 20 --blank-unprintable
outputs=(flat.txd.gz)
same_on_both pad "$examples/flat.txt" flat.txd.gz --length 20 --json
outputs=(back.txd)
same_on_both pad flat.txd.gz back.txd --length 20
outputs=()
same_on_both fields "$examples/deaths.dd" --csv "$examples/deaths.csv"
outputs=(deaths.txd.gz)
same_on_both csv "$examples/deaths.csv" deaths.txd.gz --dd "$examples/deaths.dd" --map "Deaths=Deaths (Cases)"
outputs=(population.txd)
same_on_both csv "$examples/population.csv" population.txd --dd "$examples/deaths.dd" --population \
             --map "Population=@11"

# Starts lathwell-cli.exe on standard input from the FIFO "input" and waits until its output
# exists; the caller then writes the FIFO through descriptor 3.
start_held_run() {
    rm -f input && mkfifo input
    "$wine" "$windows_cli" pad - "$1" --length 4 <input >"$1.messages" 2>&1 &
    held=$!
    exec 3>input
    for _ in $(seq 600); do [ -e "$1" ] && break; sleep 0.1; done
}

# A second run on an output that a first run holds is refused by the lock; the first run then
# completes.
cd "$work/windows"
start_held_run held.txd
set +e
"$wine" "$windows_cli" pad "$examples/flat.txt" held.txd --length 4 --force >second.out 2>&1
second=$?
set -e
echo abcd >&3
exec 3>&-
wait "$held" || { echo "the first run failed: $(cat held.txd.messages)" >&2; failures=$((failures + 1)); }
if [ "$second" != 1 ] || [ "$(head -1 second.out)" != 'lathwell-cli: Output File "held.txd" is in use by another program' ] ||
   [ "$(cat held.txd)" != $'abcd\r' ]; then
    echo "the second run on a held output was not refused: $second, $(cat second.out)" >&2
    failures=$((failures + 1))
fi

# Ctrl-C in the terminal (which Wine passes to the program as the console's control event)
# stops a run after its next line with status 130, and deletes the output.
for output in stopped.txd stopped.txd.gz; do
    start_held_run "$output"
    kill -INT "$held"
    sleep 0.5
    printf 'abcd\nnever read\n' >&3
    exec 3>&-
    set +e
    wait "$held"
    status=$?
    set -e
    if [ "$status" != 130 ] || [ -e "$output" ]; then
        echo "Ctrl-C did not stop the run on $output: status $status" >&2
        failures=$((failures + 1))
    fi
done

[ "$failures" -eq 0 ] && echo "lathwell-cli.exe under Wine: the same bytes as on Linux; the lock and Ctrl-C hold"
exit "$((failures > 0))"
