#!/usr/bin/env bash
# Installs what is missing, builds, and starts the desktop program. Without a display
# it converts the sample files in examples/ with the command-line tool and prints the results.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
lathwell_install_missing

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLATHWELL_REQUIRE_APP=ON >/dev/null
cmake --build build -j"$(lathwell_jobs)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/lathwell ]; then
    exec build/lathwell "$@"
fi

if [ ! -x build/lathwell-cli ]; then
    echo "The command-line tool is not built yet; the conversions come with a later change."
    exit 0
fi
exec examples/convert.sh build/lathwell-cli
