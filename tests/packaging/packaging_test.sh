#!/usr/bin/env bash
# Checks what `cmake --install` and CPack make of a built tree; builds nothing.
#
#   packaging_test.sh install BUILD VERSION FILE...  every FILE lands under a scratch prefix
#   packaging_test.sh man PAGE...                    man renders each page without a warning
#   packaging_test.sh deb BUILD VERSION EXAMPLES     the .deb unpacks and its lathwell-cli runs
#
# Exits 77 (skipped) when a tool the check needs is missing.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
need() { for tool; do command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 77; }; done; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/lathwell-packaging-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# The installed completion offers the commands, and the options of the command being typed.
check_completion() {
    local words
    words=$(bash -c 'source "$1"; _filedir() { :; }
        COMP_WORDS=(lathwell-cli "$2" "$3"); COMP_CWORD=$4; _lathwell_cli; echo "${COMPREPLY[*]}"' \
        _ "$1" "$2" "$3" "$4")
    [ "$words" = "$5" ] || fail "completion of '$2 $3' gave '$words', expected '$5'"
}

case $1 in
install)
    build=$2 version=$3
    shift 3
    cmake --install "$build" --prefix "$scratch" >/dev/null
    for file; do [ -s "$scratch/$file" ] || fail "not installed: $file"; done
    for file in "$scratch"/bin/*; do [ -x "$file" ] || fail "not executable: $file"; done
    for page in "$scratch"/share/man/man1/*; do gzip -t "$page" || fail "not gzip: $page"; done
    [ "$("$scratch/bin/lathwell-cli" --version)" = "lathwell-cli $version" ] || fail "installed --version"
    if [ -e "$scratch/share/applications/lathwell.desktop" ]; then
        grep -qx "Exec=lathwell %f" "$scratch/share/applications/lathwell.desktop" || fail "desktop Exec"
        grep -qx "Icon=lathwell" "$scratch/share/applications/lathwell.desktop" || fail "desktop Icon"
        if command -v desktop-file-validate >/dev/null; then
            desktop-file-validate "$scratch/share/applications/lathwell.desktop" || fail "desktop file invalid"
        fi
    fi
    completion=$scratch/share/bash-completion/completions/lathwell-cli
    check_completion "$completion" "" "" 1 "pad csv fields layout check unpack help --help --version"
    check_completion "$completion" unpack --k 2 "--keep-fill"
    check_completion "$completion" csv --p 2 "--population"
    check_completion "$completion" fields --j 2 "--json"
    check_completion "$completion" csv --st 2 "--strict"
    check_completion "$completion" help l 2 "layout"
    ;;
man)
    need man
    shift
    for page; do
        warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "man warns about $page: $warnings"
        MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q "^NAME" || fail "$page renders no NAME section"
    done
    ;;
deb)
    need cpack dpkg-deb dpkg-shlibdeps file
    build=$2 version=$3 examples=$4
    # cpack would first build every target of the tree; it is handed the tree that
    # `cmake --install` puts under /usr instead, so it packages what is built.
    cmake --install "$build" --prefix "$scratch/stage/usr" >/dev/null
    cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" -D CPACK_INSTALL_CMAKE_PROJECTS= \
        -D "CPACK_INSTALLED_DIRECTORIES=$scratch/stage;." >"$scratch/cpack.log" 2>&1 ||
        { cat "$scratch/cpack.log" >&2; fail "cpack"; }
    deb=$(echo "$scratch"/out/*.deb)
    depends=$(dpkg-deb -f "$deb" Depends)
    [[ $depends == *libc6* && $depends == *zlib1g* ]] || fail "dependencies not computed: '$depends'"
    dpkg -x "$deb" "$scratch/root"
    cli=$scratch/root/usr/bin/lathwell-cli
    [ "$("$cli" --version)" = "lathwell-cli $version" ] || fail "packaged --version"
    "$cli" pad "$examples/flat.txt" "$scratch/packaged.txd" --length 20 --quiet
    "$build/lathwell-cli" pad "$examples/flat.txt" "$scratch/built.txd" --length 20 --quiet
    cmp "$scratch/packaged.txd" "$scratch/built.txd" || fail "packaged pad differs from the built one"
    ;;
*)
    fail "unknown check $1"
    ;;
esac
echo "ok: $1"
