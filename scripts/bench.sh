#!/usr/bin/env bash
# Measures both runs on a synthetic very large school, side by side in one run,
# best of several runs each. Not a test.
#  - import: against the time that xmllint takes to parse the school's document;
#    and the check of the same import against the import;
#  - export (5,000 teachers, 200,000 lessons): against the time that xmllint
#    takes to parse the result document that the export wrote;
#  - both runs of the Windows program (vindeleo-cli.exe under Wine) beside
#    them, when the Windows build is there or can be built;
#  - the refusal of documents that are long runs of faults (two megabytes of
#    dashes in a comment, of unclosed tags, invalid characters or '&' without
#    a name; an element with 80,000 attributes, namespace declarations or
#    declared attributes), by vindeleo-cli check, against the check and
#    xmllint's parse of a good document of the same size.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-5}

"$root/scripts/install-deps.sh"
build=${VINDELEO_BENCH_BUILD_DIR:-$root/build-release}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVINDELEO_DESKTOP=OFF -DVINDELEO_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vindeleo-cli catalogue >/dev/null

# The Windows program under Wine, beside the Linux figures: when the Windows
# build is there or can be built.
windows=${VINDELEO_WINDOWS_BUILD_DIR:-$root/build-windows}
windows_cli=""
if [ -f "$windows/vindeleo-cli.exe" ] || VINDELEO_WINDOWS_BUILD_DIR="$windows" "$root/scripts/build-windows.sh" >/dev/null; then
  windows_cli="$windows/vindeleo-cli.exe"
else
  echo "(sin la compilación de Windows: solo las cifras de Linux)"
fi
wine_run=("$root/scripts/wine-run.sh" --prefix "$windows/wine")

work=$(mktemp -d "${TMPDIR:-/tmp}/vindeleo-bench.XXXXXX")
cleanup() {
  rm -rf "$work"
  if [ -n "$windows_cli" ]; then
    rm -rf "$windows/wine/drive_c/MTEMP"
    "${wine_run[@]}" --stop
  fi
}
trap cleanup EXIT
document="$work/large-school.xml"
/usr/bin/python3 "$root/tools/make-large-school.py" "$document"
mkdir -p "$work/drive_c/MTEMP"
if [ -n "$windows_cli" ]; then
  "${wine_run[@]}" --start
  mkdir -p "$windows/wine/drive_c/MTEMP"
fi

WINEPREFIX="$work" /usr/bin/python3 - "$runs" "$document" "$build/vindeleo-cli" "$root/tools/make-large-soluc.py" \
  "$windows_cli" "${wine_run[@]}" <<'PY'
import os, shutil, subprocess, sys, time
runs, document, cli, make_soluc = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
windows_cli, wine_run = sys.argv[5], sys.argv[6:]
tables = os.path.join(os.environ["WINEPREFIX"], "drive_c", "MTEMP")
result = os.path.join(os.path.dirname(document), "ResultadoTuvane" + os.path.basename(document))

def best(command):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    return min(times)

# The run's time against xmllint's time on the document it parsed, and the
# Windows program's time under Wine beside it.
def report(label, path, run, seconds, parsed, windows):
    print("%-16s %s (%d bytes)" % (label + ":", path, os.path.getsize(path)))
    print("xmllint --noout: %.3f s" % parsed)
    print("%-16s %.3f s" % (run + ":", seconds))
    print("ratio:           %.2f" % (seconds / parsed))
    if windows is not None:
        print("%-16s %.3f s (ratio %.2f, %.2f times Linux)" % (run + " (Wine):", windows, windows / parsed,
                                                              windows / seconds))

xmllint = best(["xmllint", "--noout", document])
imported = best([cli, "import", document, "--template", "J1"])
windows_imported = best(wine_run + [windows_cli, "import", document, "--template", "J1"]) if windows_cli else None
report("document", document, "import", imported, xmllint, windows_imported)
# The check runs the same import aside and reports on it: no longer than the import.
checked = best([cli, "check", document, "--template", "J1"])
print("check:           %.3f s (%.2f times the import)" % (checked, checked / imported))
if windows_cli:
    windows_checked = best(wine_run + [windows_cli, "check", document, "--template", "J1"])
    print("check (Wine):    %.3f s (%.2f times the import)" % (windows_checked, windows_checked / windows_imported))

subprocess.run(["/usr/bin/python3", make_soluc, tables, os.path.join(tables, "SOLUC.DBF"), "--lessons", "200000"],
               check=True)
exported = best([cli, "export", document])
xmllint = best(["xmllint", "--noout", result])
windows_exported = None
if windows_cli:
    # The Windows program's tables hold the same school: SOLUC joins them.
    windows_tables = os.path.join(wine_run[2], "drive_c", "MTEMP")
    shutil.copy(os.path.join(tables, "SOLUC.DBF"), os.path.join(windows_tables, "SOLUC.DBF"))
    windows_exported = best(wine_run + [windows_cli, "export", document])
report("result", result, "export", exported, xmllint, windows_exported)
PY

# The refusals, each beside a good document of the same size.
/usr/bin/python3 "$root/tools/make-hostile-documents.py" "$work/hostile" >"$work/hostile.txt"
WINEPREFIX="$work" /usr/bin/python3 - "$runs" "$build/vindeleo-cli" "$work/hostile.txt" <<'PY'
import os, subprocess, sys, time
runs, cli, listing = int(sys.argv[1]), sys.argv[2], sys.argv[3]

def best(command, status):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
        if run.returncode != status:
            sys.exit("%s: exit %d, not %d" % (" ".join(command), run.returncode, status))
    return min(times), (run.stdout.decode("utf-8", "replace").splitlines() or [""])[0]

print()
print("refusal (check), against a good document of the same size (its check, its xmllint --noout):")
print("%-24s %9s %9s %9s %9s %6s  %s" % ("shape", "bytes", "refused", "good", "xmllint", "ratio", "message"))
for line in open(listing):
    name, hostile, good = line.split()
    refused, message = best([cli, "check", hostile], 1)
    checked, _ = best([cli, "check", good], 0)
    parsed, _ = best(["xmllint", "--noout", good], 0)
    print("%-24s %9d %8.3fs %8.3fs %8.3fs %6.2f  %s" % (name, os.path.getsize(hostile), refused, checked, parsed,
                                                        refused / parsed, message[:60]))
PY
