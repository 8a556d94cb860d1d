#!/usr/bin/env bash
# Installs what is missing (the program's packages and the tests'), builds, and runs every test
# twice: once in a normal build (build/) and once with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/). The fuzz corpora are replayed as CTest tests
# (fuzz.<target>) in both builds. Last, the tests of the threaded gzip writer and reader and of
# runs on several threads run once more under ThreadSanitizer (build-tsan/, engine tests only).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
lathwell_install_missing

jobs=$(lathwell_jobs)

echo "== Build and test: build/"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLATHWELL_REQUIRE_APP=ON -DLATHWELL_BUILD_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== Build and test with sanitizers: build-asan/"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLATHWELL_SANITIZE=ON -DLATHWELL_REQUIRE_APP=ON -DLATHWELL_BUILD_TESTS=ON >/dev/null
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== Threaded gzip and conversion tests with ThreadSanitizer: build-tsan/"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DLATHWELL_SANITIZE_THREAD=ON -DLATHWELL_BUILD_APP=OFF \
      -DLATHWELL_BUILD_TESTS=ON >/dev/null
cmake --build build-tsan -j"$jobs" --target test_engine
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j"$jobs" \
      -R '^engine\.(Gzip|Threads/ConversionRunTest\.)'

echo "All tests passed."
