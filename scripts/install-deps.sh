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
          clang libclang-rt-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Instalando paquetes: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
