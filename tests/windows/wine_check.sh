#!/usr/bin/env bash
# Runs lathwell-cli.exe under Wine beside the Linux lathwell-cli on the examples: every output
# file, standard output, standard error and exit status must be the same (pad, csv, gzip out
# and gzip in). Then a second run on an output that a first run holds is refused.
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

# A first run holds its output while it waits for its input; a second run on it is refused by
# the lock, and the first run then completes.
cd "$work/windows"
mkfifo input
"$wine" "$windows_cli" pad - held.txd --length 4 <input >first.out 2>&1 &
first=$!
exec 3>input
for _ in $(seq 600); do [ -e held.txd ] && break; sleep 0.1; done
set +e
"$wine" "$windows_cli" pad "$examples/flat.txt" held.txd --length 4 --force >second.out 2>&1
second=$?
set -e
echo abcd >&3
exec 3>&-
wait "$first" || { echo "the first run failed: $(cat first.out)" >&2; failures=$((failures + 1)); }
if [ "$second" != 1 ] || [ "$(head -1 second.out)" != 'lathwell-cli: Output File "held.txd" is in use by another program' ] ||
   [ "$(cat held.txd)" != $'abcd\r' ]; then
    echo "the second run on a held output was not refused: $second, $(cat second.out)" >&2
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] && echo "lathwell-cli.exe under Wine: the same bytes as on Linux, and the lock holds"
exit "$((failures > 0))"
