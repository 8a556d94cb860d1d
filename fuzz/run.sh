#!/usr/bin/env bash
# Fuzzes every target (or the ones named) for SECONDS each, one after the other, with clang's
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   fuzz/run.sh SECONDS [TARGET...]        TARGET: tokenizer, dd_file, gzip_reader, csv_record, round_trip
#
# Builds in build-fuzz/. Each target starts from its seed corpus fuzz/corpus/<target>/ and
# grows a working corpus in fuzz/corpus-work/<target>/; inputs that crash, hang or break a
# check are saved in fuzz/corpus-work/crashes/<target>/. Exits non-zero when any target failed.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
    echo "usage: $0 SECONDS [TARGET...]" >&2
    exit 2
fi
seconds=$1
shift

source scripts/deps.sh
lathwell_install_missing

if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for source in fuzz/*.cpp; do
        name=$(basename "$source" .cpp)
        [ "$name" = ReplayMain ] || targets+=("$name")
    done
fi

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLATHWELL_FUZZ=ON \
    -DLATHWELL_BUILD_APP=OFF -DLATHWELL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(lathwell_jobs)" --target "${targets[@]/#/fuzz_}"

# The targets write their scratch files to the temporary folder; a crashing input leaves its
# file behind, so give this run a folder of its own.
TMPDIR=$(mktemp -d)
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT

failed=()
for name in "${targets[@]}"; do
    work=fuzz/corpus-work/$name
    crashes=fuzz/corpus-work/crashes/$name
    mkdir -p "$work" "$crashes"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048
             -print_final_stats=1 -artifact_prefix="$crashes/")
    [ -f "fuzz/$name.dict" ] && options+=(-dict="fuzz/$name.dict")
    echo "== fuzz_$name for $seconds s"
    # The working corpus comes first: libFuzzer adds new inputs to the first folder only.
    if ! "$build/fuzz_$name" "${options[@]}" "$work" "fuzz/corpus/$name"; then
        failed+=("$name")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Failed: ${failed[*]} (inputs in fuzz/corpus-work/crashes/)" >&2
    exit 1
fi
echo "No failures."
