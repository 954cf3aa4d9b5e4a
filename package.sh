#!/usr/bin/env bash
# Builds the Release exe and packs it for download:
#   ./package.sh   ->   dist/Lorvane-VERSION-win64.zip holding Lorvane.exe, README.md and
#                        SHA256SUMS (the exe's and the README's sums, as sha256sum writes them)
# VERSION is the project version in CMakeLists.txt. The exe is the one the tests run against,
# stripped of its symbols; the package refuses an exe that needs any DLL beyond the
# Windows system DLLs below.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh

# What the exe may import: Windows' own DLLs, which every installation has.
SYSTEM_DLLS="advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt shell32 shlwapi user32"

[ -f README.md ] || { echo "README.md is missing: it goes into the package" >&2; exit 1; }
version=$(sed -nE 's/^project\(Lorvane VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no project version in CMakeLists.txt" >&2; exit 1; }

ensure_packages "${LORVANE_PACKAGES[@]}" "${LORVANE_RELEASE_PACKAGES[@]}"
build_windows Lorvane >/dev/null

stage=$LORVANE_ROOT/build/package
rm -rf "$stage"
mkdir -p "$stage" dist
x86_64-w64-mingw32-strip --strip-all -o "$stage/Lorvane.exe" "$WINDOWS_BUILD/Lorvane.exe"
cp README.md "$stage/README.md"

# The DLLs it loads on first use appear in no import table, only as names in its data.
imports=$( (x86_64-w64-mingw32-objdump -p "$stage/Lorvane.exe" | sed -nE 's/^\s*DLL Name: (.*)$/\1/p'
            x86_64-w64-mingw32-strings "$stage/Lorvane.exe" | grep -iE '^[a-z0-9_]+\.dll$') |
          tr 'A-Z' 'a-z' | sed 's/\.dll$//' | sort -u)
for dll in $imports; do
    case " $SYSTEM_DLLS " in
    *" $dll "*) ;;
    *) echo "Lorvane.exe imports $dll.dll, which is not a Windows system DLL" >&2; exit 1 ;;
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
echo "Wrote dist/$(basename "$archive")"
