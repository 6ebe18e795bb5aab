#!/usr/bin/env bash
# Builds Vindeleo and runs every test through CTest, then a short run of every
# fuzz target. Installs the Debian packages that the build and the tests need
# when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."

"$(dirname "$0")/install-deps.sh"

build=${VINDELEO_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && ctest --output-on-failure -j"$(nproc)")

# A short run of every fuzz target, in a build of its own (clang, sanitizers).
scripts/fuzz.sh --ci
