#!/usr/bin/env bash
# windows.setup: the setup program's tests (SetupTest.cpp) under Wine, in a
# Wine prefix of their own, made afresh for each run: they install into
# C:\, write the machine's part of the registry and the Start menu, and use
# C:\MTEMP, none of which the other tests' prefix should see.
#
#   run-setup-tests.sh WINDOWS-BUILD SOURCE-DIR VERSION SETUP-TESTS.EXE HOST-TESTS.EXE [gtest options]
#
# The older build to upgrade from is made here: the same setup program with
# version 0.0.1 and the build's four files, a line added to each.
set -euo pipefail
build=$1
source=$2
version=$3
setup_tests=$4
host_tests=$5
shift 5

work="$build/tests/windows/setup"
older_version=0.0.1
rm -rf "$work"
mkdir -p "$work/older"
for file in vindeleo.exe vindeleo-cli.exe NIVELEX.DBF SIRAVEL.chm; do
  cp "$build/package/$file" "$work/older/$file"
  echo "older build $older_version" >>"$work/older/$file"
done
"$source/src/setup/make-setup.sh" "$older_version" "$work/older" "$work/vindeleo-$older_version-setup.exe"

wine=("$source/scripts/wine-run.sh" --prefix "$work/wine")
trap '"${wine[@]}" --stop' EXIT
"${wine[@]}" --start
# Captions drawn by Wine itself, as in the screenshots of docs/.
"${wine[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
"${wine[@]}" "$setup_tests" "$build/vindeleo-$version-setup.exe" "$work/vindeleo-$older_version-setup.exe" \
  "$work/older" "$build/package" "$host_tests" "$source" "$version" "$older_version" "$@"
