#!/usr/bin/env bash
# Installs, when missing, the Debian packages that Vindeleo's build, tests and
# demo need. Runs apt-get as root (or through sudo).
set -euo pipefail

packages=(cmake g++ make libxml2-dev libxml2-utils qt6-base-dev libgtest-dev libjemalloc-dev
          python3-dbfread python3-dbf libdbd-xbase-perl strace
          # the locale sources from which the tests compile the locales of fecha
          locales
          libxcb1-dev fonts-dejavu-core
          # the desktop tests: an X server, xwininfo, XTEST, screenshots
          xvfb x11-utils libx11-dev libxtst-dev imagemagick
          # scripts/fuzz.sh: clang's libFuzzer and sanitizer runtimes
          clang libclang-rt-dev
          # the Windows build: the cross compiler (its posix thread model),
          # googletest's sources, Wine to run the programs and their tests,
          # and what fetching and packing need
          mingw-w64 g++-mingw-w64-x86-64-posix googletest wine64 zip dpkg-dev
          # the help guide: chmcmd compiles SIRAVEL.chm, libchm-bin reads it back
          fp-utils libchm-bin
          # the Windows setup program: makensis
          nsis)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# The Windows build compiles libxml2 from Debian's own source package, which
# needs a deb-src entry. When the system has none, one is derived from each of
# its Debian deb entries: the same URIs, suites, components and keyring.
add_source_entries() {
  if grep -rqs -E '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return 1
  fi
  local stanzas lines f
  stanzas=$(for f in /etc/apt/sources.list.d/*.sources; do
              [ -f "$f" ] || continue
              # each deb822 stanza whose Types holds "deb", with Types made "deb-src"
              awk 'BEGIN { RS = ""; ORS = "\n\n" }
                   /(^|\n)Types:([^\n]*[ \t])?deb([ \t\n]|$)/ {
                     sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' "$f"
            done)
  lines=$(for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
            [ -f "$f" ] && sed -n 's/^deb \(.*\)$/deb-src \1/p' "$f"
          done)
  [ -z "$stanzas$lines" ] && return 1
  [ -n "$stanzas" ] && printf '%s\n' "$stanzas" | $sudo tee /etc/apt/sources.list.d/vindeleo-deb-src.sources >/dev/null
  [ -n "$lines" ] && printf '%s\n' "$lines" | $sudo tee /etc/apt/sources.list.d/vindeleo-deb-src.list >/dev/null
  return 0
}
if add_source_entries; then
  $sudo apt-get update -qq
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Instalando paquetes: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
