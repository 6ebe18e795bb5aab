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

WINEPREFIX="$work" /usr/bin/python3 - "$runs" "$document" "$build/vindeleo-cli" "$root/tools/make-large-soluc.py" <<'PY'
import os, subprocess, sys, time
runs, document, cli, make_soluc = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
tables = os.path.join(os.environ["WINEPREFIX"], "drive_c", "MTEMP")
result = os.path.join(os.path.dirname(document), "ResultadoTuvane" + os.path.basename(document))

def best(command):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    return min(times)

# The run's time against xmllint's time on the document it parsed.
def report(label, path, run, seconds, parsed):
    print("%-16s %s (%d bytes)" % (label + ":", path, os.path.getsize(path)))
    print("xmllint --noout: %.3f s" % parsed)
    print("%-16s %.3f s" % (run + ":", seconds))
    print("ratio:           %.2f" % (seconds / parsed))

xmllint = best(["xmllint", "--noout", document])
imported = best([cli, "import", document, "--template", "J1"])
report("document", document, "import", imported, xmllint)

subprocess.run(["/usr/bin/python3", make_soluc, tables, os.path.join(tables, "SOLUC.DBF"), "--lessons", "200000"],
               check=True)
exported = best([cli, "export", document])
xmllint = best(["xmllint", "--noout", result])
report("result", result, "export", exported, xmllint)
PY
