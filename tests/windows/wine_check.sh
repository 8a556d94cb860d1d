#!/usr/bin/env bash
# What only the real programs show: lathwell-cli.exe under Wine writes the same output files,
# standard output, standard error and exit status as the Linux lathwell-cli on the examples (pad,
# csv, gzip out and in); a second run on an output that a first run holds is refused; Ctrl-C
# stops a run with status 130 and deletes its output.
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
fail() { echo "$*" >&2; failures=$((failures + 1)); }

# same_on_both OUTPUT ARGUMENTS...: runs lathwell-cli in both folders and compares everything.
same_on_both() {
    local output=$1 side file
    shift
    for side in linux windows; do
        local cli=("$linux_cli")
        [ "$side" = windows ] && cli=("$wine" "$windows_cli")
        (cd "$work/$side" && set +e; "${cli[@]}" "$@" >stdout 2>stderr; echo $? >status)
    done
    for file in stdout stderr status $output; do
        cmp -s "$work/linux/$file" "$work/windows/$file" || fail "DIFFERS under Wine: $file of lathwell-cli $*"
    done
}
same_on_both flat.txd pad "$examples/flat.txt" flat.txd --length 20 --blank-unprintable
same_on_both flat.txd.gz pad "$examples/flat.txt" flat.txd.gz --length 20 --json
same_on_both back.txd pad flat.txd.gz back.txd --length 20
same_on_both "" fields "$examples/deaths.dd" --csv "$examples/deaths.csv"
same_on_both deaths.txd.gz csv "$examples/deaths.csv" deaths.txd.gz --dd "$examples/deaths.dd" \
             --map "Deaths=Deaths (Cases)"
same_on_both population.txd csv "$examples/population.csv" population.txd --dd "$examples/deaths.dd" \
             --population --map "Population=@11"

# Starts lathwell-cli.exe on standard input from a FIFO, which the caller writes through
# descriptor 3, and waits until its output exists.
start_held_run() {
    rm -f input && mkfifo input
    "$wine" "$windows_cli" pad - "$1" --length 4 <input >"$1.messages" 2>&1 &
    held=$!
    exec 3>input
    for _ in $(seq 600); do [ -e "$1" ] && break; sleep 0.1; done
}
finish_held_run() {
    printf "$1" >&3
    exec 3>&-
    set +e
    wait "$held"
    status=$?
    set -e
}

cd "$work/windows"
start_held_run held.txd
second=$(set +e; "$wine" "$windows_cli" pad "$examples/flat.txt" held.txd --length 4 --force 2>&1; echo "status $?")
finish_held_run 'abcd\n'
[ "$(head -1 <<<"$second")" = 'lathwell-cli: Output File "held.txd" is in use by another program' ] &&
    [ "$(tail -1 <<<"$second")" = "status 2" ] || fail "a second run on a held output was not refused: $second"
[ "$status" = 0 ] && [ "$(cat held.txd)" = $'abcd\r' ] || fail "the first run failed: $(cat held.txd.messages)"

# Ctrl-C in a terminal reaches the program as the console's control event.
for output in stopped.txd stopped.txd.gz; do
    start_held_run "$output"
    kill -INT "$held"
    sleep 0.5
    finish_held_run 'abcd\nnever read\n'
    [ "$status" = 130 ] && [ ! -e "$output" ] || fail "Ctrl-C did not stop the run on $output: status $status"
done

[ "$failures" -eq 0 ] && echo "lathwell-cli.exe under Wine: the same bytes as on Linux; the lock and Ctrl-C hold"
exit "$((failures > 0))"
