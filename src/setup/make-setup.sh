#!/usr/bin/env bash
# Compiles the setup program with makensis: first the uninstaller
# (uninstall.nsi), then the setup program (setup.nsi) that carries it and the
# four files of FILES-DIR.
#
#   make-setup.sh VERSION FILES-DIR OUTPUT.exe
#
# VERSION is the programs' version (the build's project version, e.g. 1.0).
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: make-setup.sh VERSION FILES-DIR OUTPUT.exe" >&2; exit 64; }
here=$(cd "$(dirname "$0")" && pwd)
version=$1
files=$(cd "$2" && pwd)
output=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")

# Windows' version resources take four numbers.
quad=$version
while [ "$(tr -cd . <<<"$quad" | wc -c)" -lt 3 ]; do quad="$quad.0"; done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
makensis_in() {
  makensis -V2 -WX -NOCD -INPUTCHARSET UTF8 -DVINDELEO_VERSION="$version" -DVINDELEO_VERSION_QUAD="$quad" "$@"
}
(cd "$here" && makensis_in -DVINDELEO_OUTPUT="$work/vindeleo-desinstalar.exe" uninstall.nsi)
(cd "$here" && makensis_in -DVINDELEO_OUTPUT="$work/vindeleo-setup.exe" -DVINDELEO_FILES="$files" \
   -DVINDELEO_UNINSTALLER_BUILT="$work/vindeleo-desinstalar.exe" setup.nsi)
mv "$work/vindeleo-setup.exe" "$output"
