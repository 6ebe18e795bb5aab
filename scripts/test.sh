#!/usr/bin/env bash
# Builds Vindeleo and runs every test through CTest, then the Windows build's
# tests under Wine, then a short run of every fuzz target. Installs the Debian
# packages that the build and the tests need when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."

"$(dirname "$0")/install-deps.sh"

build=${VINDELEO_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && ctest --output-on-failure -j"$(nproc)")

# The Windows build, cross-compiled with mingw-w64, and its tests under Wine:
# the core's tests, the package, the command line's cases against the Linux
# program above, the import killed during its commit, vindeleo.exe under a
# Win32 host, and the setup program installed, upgraded and uninstalled.
windows_build=${VINDELEO_WINDOWS_BUILD_DIR:-build-windows}
VINDELEO_WINDOWS_BUILD_DIR="$windows_build" scripts/build-windows.sh -DVINDELEO_LINUX_BUILD_DIR="$(cd "$build" && pwd)"
(cd "$windows_build" && ctest --output-on-failure -j"$(nproc)")

# A short run of every fuzz target, in a build of its own (clang, sanitizers).
scripts/fuzz.sh --ci
