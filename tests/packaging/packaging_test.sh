#!/usr/bin/env bash
# Checks what `cmake --install` and the Debian packaging make of the sources.
#
#   packaging_test.sh install BUILD VERSION FILE...  every FILE lands under a scratch prefix
#   packaging_test.sh man PAGE...                    man renders each page without a warning
#   packaging_test.sh deb BUILD VERSION SOURCE       dpkg-buildpackage makes the three packages;
#       they install into a throwaway root, the command line runs from its package alone, the
#       manual pages' references resolve, and examples/library builds against the installed
#       library by its CMake package and by pkg-config. lintian's findings are kept in
#       BUILD/packages/lintian.txt; an error or a warning fails the check.
#
# Exits 77 (skipped) when a tool the check needs is missing.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
need() { for tool; do command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 77; }; done; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/lathwell-packaging-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# What bash completion offers for a command line typed up to its end, in the folder $files,
# as bash-completion splits it (COMP_WORDBREAKS: "--dd=x" is three words, "--dd", "=", "x").
completion_of() {
    bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; cd "$2"
        COMP_LINE=$3; COMP_POINT=${#COMP_LINE}; COMP_WORDS=()
        for word in $COMP_LINE; do
            while [[ $word == *=* ]]; do COMP_WORDS+=("${word%%=*}" "="); word=${word#*=}; done
            [ -n "$word" ] && COMP_WORDS+=("$word")
        done
        [[ $COMP_LINE == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _lathwell_cli; printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd " "' \
        _ "$completion" "$files" "$1"
}

check_completion() {
    local words
    words=$(completion_of "$1")
    [ "$words" = "$2" ] || fail "completion of '$1' gave '$words', expected '$2'"
}

case $1 in
install)
    build=$2 version=$3
    shift 3
    cmake --install "$build" --prefix "$scratch" >/dev/null
    for file; do [ -s "$scratch/$file" ] || fail "not installed: $file"; done
    for file in "$scratch"/bin/*; do [ -x "$file" ] || fail "not executable: $file"; done
    for page in "$scratch"/share/man/man*/*; do gzip -t "$page" || fail "not gzip: $page"; done
    [ "$("$scratch/bin/lathwell-cli" --version)" = "lathwell-cli $version" ] || fail "installed --version"
    if [ -e "$scratch/share/applications/lathwell.desktop" ]; then
        grep -qx "Exec=lathwell %f" "$scratch/share/applications/lathwell.desktop" || fail "desktop Exec"
        grep -qx "Icon=lathwell" "$scratch/share/applications/lathwell.desktop" || fail "desktop Icon"
        grep -qx "MimeType=text/csv;" "$scratch/share/applications/lathwell.desktop" || fail "desktop MimeType"
        if command -v desktop-file-validate >/dev/null; then
            desktop-file-validate "$scratch/share/applications/lathwell.desktop" || fail "desktop file invalid"
        fi
    fi
    completion=$scratch/share/bash-completion/completions/lathwell-cli
    [ -r /usr/share/bash-completion/bash_completion ] || { echo "skipped: no bash-completion"; exit 77; }
    files=$scratch/files
    mkdir -p "$files/folder"
    touch "$files"/{big.csv.gz,big.txd,deaths.dd,notes.txt}
    while IFS='|' read -r line expected; do
        check_completion "$line" "$expected"
    done <<'TABLE'
lathwell-cli |--help --version check csv fields help layout pad unpack
lathwell-cli unpack --k|--keep-fill
lathwell-cli check --record-end |crlf lf none
lathwell-cli pad --level |1 2 3 4 5 6 7 8 9
lathwell-cli unpack --le|--level
lathwell-cli check b|big.csv.gz big.txd
lathwell-cli unpack big.txd |folder
lathwell-cli csv --p|--population
lathwell-cli fields --j|--json
lathwell-cli csv --st|--strict
lathwell-cli help l|layout
lathwell-cli csv big|big.csv.gz
lathwell-cli csv --dd=|deaths.dd folder
lathwell-cli csv --dd d|deaths.dd
lathwell-cli fields deaths.dd --csv=b|big.csv.gz
lathwell-cli pad --length=|
lathwell-cli pad --length=8 notes.txt |folder
lathwell-cli pad - |folder
lathwell-cli csv --force big.csv.gz |big.csv.gz big.txd folder
lathwell-cli layout |deaths.dd folder
TABLE
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
    need dpkg-buildpackage dh g++ pkg-config lintian
    build=$2 version=$3 source=$4
    # The packages are built in BUILD/packages/lathwell from a copy of the sources. Its obj-*
    # folder is kept from run to run (-nc: no clean first), so a second run compiles only what
    # changed.
    work=$build/packages
    copy=$work/lathwell
    mkdir -p "$copy"
    find "$copy" -mindepth 1 -maxdepth 1 ! -name 'obj-*' -exec rm -rf {} +
    rm -f "$work"/*.deb "$work"/*.ddeb "$work"/*.changes "$work"/*.buildinfo
    find "$source" -mindepth 1 -maxdepth 1 ! -name 'build*' ! -name .git ! -name 'obj-*' \
        -exec cp -a {} "$copy"/ \;
    (cd "$copy" && DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" \
        dpkg-buildpackage -b -nc -uc -us --build-profiles=nocheck >"$work/build.log" 2>&1) ||
        { tail -40 "$work/build.log" >&2; fail "dpkg-buildpackage (log: $work/build.log)"; }
    arch=$(dpkg-architecture -qDEB_HOST_ARCH)
    multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
    deb() { echo "$work/${1}_${version}_$arch.deb"; }
    for package in lathwell-cli lathwell libmarlpit-dev; do
        [ -f "$(deb $package)" ] || fail "no package $(basename "$(deb $package)") (the version in debian/changelog?)"
    done
    cli_depends=$(dpkg-deb -f "$(deb lathwell-cli)" Depends)
    [[ $cli_depends == *libc6* && $cli_depends != *qt* ]] || fail "lathwell-cli depends on '$cli_depends'"
    [[ $(dpkg-deb -f "$(deb lathwell)" Depends) == *"lathwell-cli (= $version)"* ]] ||
        fail "lathwell does not depend on lathwell-cli (= $version)"

    # A throwaway root with a dpkg database of its own; the libraries come from this system.
    root=$scratch/root
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
    touch "$root/var/lib/dpkg/status"
    install_deb() {
        dpkg --root="$root" --force-depends --force-not-root --force-script-chrootless \
            --log=/dev/null -i "$1" >"$scratch/dpkg.log" 2>&1 || { cat "$scratch/dpkg.log" >&2; fail "dpkg -i $1"; }
    }
    install_deb "$(deb lathwell-cli)"
    cli=$root/usr/bin/lathwell-cli
    [ "$("$cli" --version)" = "lathwell-cli $version" ] || fail "packaged --version"
    "$cli" pad "$source/examples/flat.txt" "$scratch/packaged.txd" --length 20 --quiet
    "$build/lathwell-cli" pad "$source/examples/flat.txt" "$scratch/built.txd" --length 20 --quiet
    cmp "$scratch/packaged.txd" "$scratch/built.txd" || fail "packaged pad differs from the built one"
    install_deb "$(deb lathwell)"
    install_deb "$(deb libmarlpit-dev)"

    # Each reference of an installed manual page to a Lathwell page or an installed path holds.
    for page in "$root"/usr/share/man/man*/*.gz; do
        references=$(zcat "$page" | sed -n 's/\\//g; s/^\.BR \(lathwell[^ ]*\) (\([0-9]\)).*/\1.\2/p')
        for reference in $references; do
            [ -f "$root/usr/share/man/man${reference##*.}/$reference.gz" ] ||
                fail "$(basename "$page") refers to $reference, which is not installed"
        done
        for path in $(zcat "$page" | sed -n 's/\\//g; s/^\.IR\? \(\/usr\/[^ ]*\).*/\1/p'); do
            [ -e "$root$path" ] || fail "$(basename "$page") names $path, which is not installed"
        done
    done

    # The library for other programs: only its public headers, each compiling on its own.
    include=$root/usr/include/marlpit
    for header in "$source"/lib/platform/*.h; do
        [ ! -e "$include/$(basename "$header")" ] || fail "installed private header $(basename "$header")"
    done
    for header in "$include"/*.h; do
        echo "#include \"$(basename "$header")\"" |
            g++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only -I"$include" -x c++ - ||
            fail "$(basename "$header") does not compile on its own"
    done
    # examples/library against the installed package, by CMake and by pkg-config.
    printf 'big\nfile\n' >"$scratch/from.txt"
    printf '[Copy]\nFrom=%s\nTo=%s\n' "$scratch/from.txt" "$scratch/to.txt" >"$scratch/copy.ini"
    run_example() {
        rm -f "$scratch/to.txt"
        [ "$("$1" "$scratch/copy.ini")" = "9 bytes copied" ] || fail "$1 printed the wrong count"
        cmp "$scratch/from.txt" "$scratch/to.txt" || fail "$1 copied wrongly"
    }
    cmake -S "$source/examples/library" -B "$scratch/example" -DCMAKE_PREFIX_PATH="$root/usr" \
        >"$scratch/example.log" 2>&1 && cmake --build "$scratch/example" >>"$scratch/example.log" 2>&1 ||
        { cat "$scratch/example.log" >&2; fail "examples/library by CMake"; }
    run_example "$scratch/example/copy-by-ini"
    # shellcheck disable=SC2046
    g++ -std=c++17 -Wall -Wextra -Werror -o "$scratch/copy-by-ini" "$source/examples/library/copy_by_ini.cpp" \
        $(PKG_CONFIG_SYSROOT_DIR=$root PKG_CONFIG_LIBDIR=$root/usr/lib/$multiarch/pkgconfig \
          pkg-config --cflags --libs marlpit) || fail "examples/library by pkg-config"
    run_example "$scratch/copy-by-ini"

    lintian -EvIL +pedantic --fail-on error,warning "$(deb lathwell-cli)" "$(deb lathwell)" \
        "$(deb libmarlpit-dev)" >"$work/lintian.txt" 2>&1 || { cat "$work/lintian.txt" >&2; fail "lintian"; }
    ;;
*)
    fail "unknown check $1"
    ;;
esac
echo "ok: $1"
