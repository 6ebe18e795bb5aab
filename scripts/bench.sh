#!/usr/bin/env bash
# Measures both runs on a synthetic very large school, side by side in one run,
# best of several runs each. Not a test.
#  - import: against the time that xmllint takes to parse the school's document;
#  - export (5,000 teachers, 200,000 lessons): against the time that xmllint
#    takes to parse the result document that the export wrote.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-5}

"$root/scripts/install-deps.sh"
build=${VINDELEO_BENCH_BUILD_DIR:-$root/build-release}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVINDELEO_DESKTOP=OFF -DVINDELEO_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vindeleo-cli catalogue >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/vindeleo-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
document="$work/large-school.xml"
/usr/bin/python3 "$root/tools/make-large-school.py" "$document"
mkdir -p "$work/drive_c/MTEMP"

WINEPREFIX="$work" /usr/bin/python3 - "$runs" "$document" "$build/vindeleo-cli" <<'PY'
import os, subprocess, sys, time
runs, document, cli = int(sys.argv[1]), sys.argv[2], sys.argv[3]

def best(command):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    return min(times)

xmllint = best(["xmllint", "--noout", document])
imported = best([cli, "import", document, "--template", "J1"])
print("document:        %s (%d bytes)" % (document, os.path.getsize(document)))
print("xmllint --noout: %.3f s" % xmllint)
print("import:          %.3f s" % imported)
print("ratio:           %.2f" % (imported / xmllint))
PY

/usr/bin/python3 "$root/tools/make-large-soluc.py" "$work/drive_c/MTEMP" "$work/drive_c/MTEMP/SOLUC.DBF" --lessons 200000
WINEPREFIX="$work" /usr/bin/python3 - "$runs" "$document" "$build/vindeleo-cli" <<'PY'
import os, subprocess, sys, time
runs, document, cli = int(sys.argv[1]), sys.argv[2], sys.argv[3]
result = os.path.join(os.path.dirname(document), "ResultadoTuvane" + os.path.basename(document))

def best(command):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    return min(times)

exported = best([cli, "export", document])
xmllint = best(["xmllint", "--noout", result])
print("result:          %s (%d bytes)" % (result, os.path.getsize(result)))
print("xmllint --noout: %.3f s" % xmllint)
print("export:          %.3f s" % exported)
print("ratio:           %.2f" % (exported / xmllint))
PY
