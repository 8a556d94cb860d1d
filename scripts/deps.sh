# The Debian packages Lathwell needs, in two lists, and the function that installs those missing.
# Sourced by run.sh (program packages only), test.sh, bench/ and fuzz/ (everything).
#
#   lathwell_install_program_deps [PACKAGE...]  what building and running the program needs
#   lathwell_install_missing [PACKAGE...]       that, and what the tests, benchmarks and fuzzing need

# Building and running both programs: compiler, CMake, zlib, ISA-L (gzip input), Qt 6 Widgets
# and its SVG plug-in (the window icon).
lathwell_program_packages=(build-essential cmake zlib1g-dev libisal-dev qt6-base-dev libqt6svg6)

# Tests, benchmarks and fuzzing only: GoogleTest; clang and its runtime for libFuzzer; mawk,
# gzip and python3 for the benchmarks; man-db, desktop-file-utils and bash-completion to check
# the manual pages, the desktop file and the completion; dpkg-dev, debhelper and lintian to build
# and check the Debian packages, pkgconf to build against the installed library; the MinGW-w64
# cross compilers, zlib for them, GoogleTest's sources and Wine for the Windows build and its
# tests.
lathwell_test_packages=(libgtest-dev clang libclang-rt-14-dev mawk gzip python3 man-db desktop-file-utils
                        bash-completion dpkg-dev debhelper lintian pkgconf g++-mingw-w64-x86-64-posix
                        libz-mingw-w64-dev googletest wine64)

# Installs those of the named packages that are missing, after saying what it installs and why
# it needs root. Expects Debian or Ubuntu (dpkg and apt-get).
lathwell_install_packages() {
    if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
        echo "This setup expects Debian or Ubuntu (dpkg and apt-get were not found)." >&2
        echo "Install these packages or their equivalents yourself, then run it again: $*" >&2
        return 1
    fi
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Lathwell expects Debian or Ubuntu. These packages are missing and will be installed"
    echo "with ${sudo:+sudo }apt-get${sudo:+ (which asks for your password)}: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

lathwell_install_program_deps() { lathwell_install_packages "${lathwell_program_packages[@]}" "$@"; }

lathwell_install_missing() {
    lathwell_install_packages "${lathwell_program_packages[@]}" "${lathwell_test_packages[@]}" "$@"
}

lathwell_jobs() { nproc 2>/dev/null || echo 2; }
