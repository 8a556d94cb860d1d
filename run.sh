#!/usr/bin/env bash
# Installs what the program needs (Debian or Ubuntu), builds it, and starts the desktop program.
# Without a display it converts the sample files in examples/ with the command-line tool and
# prints the results. Nothing needed only by the tests is installed or built here.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
lathwell_install_program_deps

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLATHWELL_REQUIRE_APP=ON -DLATHWELL_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(lathwell_jobs)" --target lathwell lathwell-cli

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/lathwell "$@"
fi
echo "No display: converting the examples with build/lathwell-cli instead of starting the window."
echo
exec examples/convert.sh build/lathwell-cli
