#!/usr/bin/env bash
# Installs what is missing (the program's packages and the tests'), builds, and runs every test
# twice: once in a normal build (build/) and once with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/). The fuzz corpora are replayed as CTest tests
# (fuzz.<target>) in both builds. Last, the tests of the threaded gzip writer and reader and of
# runs on several threads run once more under ThreadSanitizer (build-tsan/, engine tests only).
# Then the Windows build (build-mingw/, MinGW-w64) runs its test suites and the examples under Wine.
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

echo "== Windows build, tested under Wine: build-mingw/"
windows_tests=(test_platform test_base test_io test_ini test_startup test_engine test_cli)
cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DLATHWELL_BUILD_TESTS=ON >/dev/null
cmake --build build-mingw -j"$jobs" --target lathwell-cli "${windows_tests[@]}"
export WINEPREFIX="$PWD/build-mingw/wine" WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
# One Wine server for every program of the step, instead of one started (and stopped) by each.
# Its first program sets up the Wine folder and starts Wine's own services, which live as long
# as the server: they are started here, away from the pipes through which CTest reads a test.
/usr/lib/wine/wineserver -p
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
/usr/lib/wine/wine64 wineboot --init </dev/null >/dev/null 2>&1
ctest --test-dir build-mingw --output-on-failure -j"$jobs" -R "^($(IFS='|'; echo "${windows_tests[*]#test_}"))\$"
tests/windows/wine_check.sh build/lathwell-cli build-mingw/lathwell-cli.exe examples
(cd build-mingw && cpack >/dev/null)
cmake -E tar tf build-mingw/lathwell-*-windows-x86_64.zip | grep -q '/lathwell-cli.exe$'

echo "All tests passed."
