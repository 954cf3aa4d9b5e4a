#!/usr/bin/env bash
# Builds the Release exe and packs it for download:
#   ./package.sh   ->   dist/Lorvane-VERSION-win64.zip holding Lorvane.exe, README.md and
#                        SHA256SUMS (the exe's and the README's sums, as sha256sum writes them)
# VERSION is the project version in CMakeLists.txt. The exe is the one the tests run against,
# stripped of its symbols; the package refuses an exe that needs any DLL beyond the
# Windows system DLLs below. The zip's README is written for the person who downloads it: how to
# start the program, then the parts of this repository's README about using it (what it is, the
# menus, the settings and how to remove them), without the build instructions.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh

# What the exe may import: Windows' own DLLs, which every installation has.
SYSTEM_DLLS="advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt shell32 shlwapi user32"

[ -f README.md ] || { echo "README.md is missing: the package's README comes from it" >&2; exit 1; }
version=$(sed -nE 's/^project\(Lorvane VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no project version in CMakeLists.txt" >&2; exit 1; }

# The README in the zip: a short start, then README.md from "What it is" up to the build
# instructions, leaving out the picture (of the source tree's README), the line saying how it
# was taken, and the paragraph about running it under Wine from the sources.
download_readme() {
    printf '# Lorvane %s\n\n' "$version"
    cat <<'START'
A small, fast text viewer for Windows 10 and 11 (64-bit).

## Starting it

Unpack the zip into any folder: there is nothing to install. Start `Lorvane.exe`, drop a file
on it, or choose it under "Open with" for a file in Explorer. `SHA256SUMS` holds the checksums
of the files in the zip (`certutil -hashfile Lorvane.exe SHA256` shows the exe's).

To remove Lorvane, delete its folder and its settings (see "Settings" below).

START
    awk '
        /^## What it is/ { keep = 1 }
        /^## Building and running on Windows/ { keep = 0 }
        !keep { next }
        /^!\[/ || /^\(`\.\/run\.sh --screenshot/ || /^\(under Wine:/ { skip = 1 }
        skip { if ($0 == "") skip = 0; next }
        { print }
    ' README.md
}

fail() {
    step_end FAILED
    echo "$1" >&2
    exit 1
}

ensure_packages "${LORVANE_PACKAGES[@]}" "${LORVANE_RELEASE_PACKAGES[@]}"
mkdir -p build
run_step "building the Release exe (a few minutes the first time)" build/package.log \
    build_windows Lorvane

step_start "packing"
stage=$LORVANE_ROOT/build/package
rm -rf "$stage"
mkdir -p "$stage" dist
x86_64-w64-mingw32-strip --strip-all -o "$stage/Lorvane.exe" "$WINDOWS_BUILD/Lorvane.exe"
download_readme >"$stage/README.md"
grep -q '^### The menus' "$stage/README.md" && grep -q '^reg delete' "$stage/README.md" ||
    fail "README.md no longer has the menus and the settings where the package looks for them"

# The DLLs it loads on first use appear in no import table, only as names in its data.
imports=$( (x86_64-w64-mingw32-objdump -p "$stage/Lorvane.exe" | sed -nE 's/^\s*DLL Name: (.*)$/\1/p'
            x86_64-w64-mingw32-strings "$stage/Lorvane.exe" | grep -iE '^[a-z0-9_]+\.dll$') |
          tr 'A-Z' 'a-z' | sed 's/\.dll$//' | sort -u)
for dll in $imports; do
    case " $SYSTEM_DLLS " in
    *" $dll "*) ;;
    *) fail "Lorvane.exe imports $dll.dll, which is not a Windows system DLL" ;;
    esac
done

(cd "$stage" && sha256sum Lorvane.exe README.md >SHA256SUMS)
# The files carry the time of the last commit, so that the same commit gives the same listing.
stamp=$(git log -1 --format=%ct 2>/dev/null || date +%s)
touch -d "@$stamp" "$stage"/*
archive=$LORVANE_ROOT/dist/Lorvane-$version-win64.zip
rm -f "$archive"
(cd "$stage" && zip -q -X "$archive" Lorvane.exe README.md SHA256SUMS)
unzip -tq "$archive" >/dev/null
step_end "dist/$(basename "$archive")"
