# Installs the Debian packages the build and tests need, when any is missing.
# Sourced by run.sh and test.sh.
lathwell_packages=(build-essential cmake libgtest-dev zlib1g-dev libisal-dev qt6-base-dev clang libclang-rt-14-dev mawk gzip python3)

lathwell_install_missing() {
    local missing=()
    local p
    for p in "${lathwell_packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

lathwell_jobs() { nproc 2>/dev/null || echo 2; }
