#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer, under AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one on its seed corpus (fuzz/corpus).
#
#   scripts/fuzz.sh [SECONDS]   runs every target for SECONDS (default 60) and
#                               prints how many inputs each ran without a failure
#   scripts/fuzz.sh --ci        the short run of CI: every target through CTest,
#                               for VINDELEO_FUZZ_CI_SECONDS (15) seconds each
#
# A failing input is kept in fuzz-artifacts/<target>/ (of the current directory;
# for --ci, of the build's fuzz folder) and the run ends with status 1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

mode=run seconds=60
case "${1:-}" in
  --ci) mode=ci ;;
  '') ;;
  *[!0-9]*) echo "Usage: scripts/fuzz.sh [SECONDS | --ci]" >&2; exit 64 ;;
  *) seconds=$1 ;;
esac

"$root/scripts/install-deps.sh"
build=${VINDELEO_FUZZ_BUILD_DIR:-$root/build-fuzz}
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DVINDELEO_FUZZ=ON -DVINDELEO_TESTS=OFF -DVINDELEO_DESKTOP=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

if [ $mode = ci ]; then
  cd "$build"
  exec ctest --output-on-failure -L fuzz -j"$(nproc)"
fi

failed=0
for binary in "$build"/fuzz/fuzz_*; do
  "$root/fuzz/run-fuzzer.sh" "$binary" "$root/fuzz" "${binary##*/fuzz_}" "$seconds" || failed=1
done
exit $failed
