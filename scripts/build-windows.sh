#!/usr/bin/env bash
# Cross-builds the Windows programs with Debian's mingw-w64 (x86_64, posix
# thread model) into build-windows/ (or $VINDELEO_WINDOWS_BUILD_DIR) and packs
# them:
#   package/                      vindeleo.exe, vindeleo-cli.exe, NIVELEX.DBF and
#                                 the help guide SIRAVEL.chm (compiled by chmcmd
#                                 on this machine)
#   vindeleo-windows-x64.zip      that folder
#   vindeleo-VERSION-setup.exe    the setup program with the same files (target
#                                 setup: src/setup/, compiled by makensis)
# Every program is linked statically (C++ runtime, libgcc, winpthread,
# libxml2), so nothing but Windows' own DLLs is needed beside them.
#
# libxml2 comes from Debian's source package of the same version as the Linux
# build's libxml2-dev, with Debian's patches, built static without iconv,
# zlib, lzma, HTTP or FTP; it is kept in the build directory and reused.
#
# Extra arguments are passed to the configuring cmake (e.g. -DVINDELEO_LINUX_BUILD_DIR=...).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-deps.sh"
build=$(mkdir -p "${VINDELEO_WINDOWS_BUILD_DIR:-$root/build-windows}" && cd "${VINDELEO_WINDOWS_BUILD_DIR:-$root/build-windows}" && pwd)
toolchain="$root/cmake/mingw-w64-x86_64.cmake"

# --- libxml2, once per version -------------------------------------------------
version=$(dpkg-query -W -f='${Version}' libxml2-dev)
libxml2="$build/libxml2-$version"
prefix="$libxml2/prefix"

fetch_libxml2_source() {
  rm -rf "$libxml2/source"
  mkdir -p "$libxml2/source"
  # apt-get source unpacks with dpkg-source, which applies Debian's patches.
  if ! (cd "$libxml2/source" && apt-get source -qq "libxml2=$version" >/dev/null 2>&1); then
    apt-get update -qq
    (cd "$libxml2/source" && apt-get source -qq "libxml2=$version" >/dev/null)
  fi
}

build_libxml2() {
  echo "libxml2 $version: compilando para Windows (una vez)"
  fetch_libxml2_source
  local source
  source=$(find "$libxml2/source" -mindepth 1 -maxdepth 1 -type d -name 'libxml2-*' | head -n 1)
  rm -rf "$libxml2/build" "$prefix"
  cmake -S "$source" -B "$libxml2/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_LZMA=OFF \
    -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_MODULES=OFF \
    -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_THREADS=ON >/dev/null
  cmake --build "$libxml2/build" -j"$(nproc)" >/dev/null
  cmake --install "$libxml2/build" >/dev/null
  # Written last: a build that stopped half-way is done again.
  echo "$version" >"$prefix/.vindeleo-built"
}

[ "$(cat "$prefix/.vindeleo-built" 2>/dev/null)" = "$version" ] || build_libxml2

# --- the programs ------------------------------------------------------------
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_FIND_ROOT_PATH="$prefix" -Dlibxml2_DIR="$(echo "$prefix"/lib/cmake/libxml2-*)" -DVINDELEO_DESKTOP=OFF "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"

# --- the package -------------------------------------------------------------
rm -rf "$build/package" "$build/vindeleo-windows-x64.zip"
mkdir "$build/package"
for program in vindeleo-cli.exe vindeleo.exe; do
  [ -f "$build/$program" ] && cp "$build/$program" "$build/package/"
done
cp "$build/NIVELEX.DBF" "$build/SIRAVEL.chm" "$build/package/"
(cd "$build/package" && zip -q -X "$build/vindeleo-windows-x64.zip" ./*)
echo "Paquete: $build/vindeleo-windows-x64.zip ($(cd "$build/package" && echo *))"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -f "$build/vindeleo-$version-setup.exe" ] || { echo "Falta el instalador vindeleo-$version-setup.exe" >&2; exit 1; }
echo "Instalador: $build/vindeleo-$version-setup.exe"
