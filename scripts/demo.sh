#!/usr/bin/env bash
# Imports the demo school of samples/ into a temporary Wine-style drive C: and
# prints the working tables that the import wrote, with their record counts.
# (The export half of the demo comes with the export run.)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-deps.sh"
build=${VINDELEO_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target vindeleo-cli catalogue >/dev/null

export WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/vindeleo-demo.XXXXXX")
tables="$WINEPREFIX/drive_c/MTEMP"
mkdir -p "$tables"

document="$root/samples/demo-school.xml"
echo "Escuela de demostración: $document"
echo "Tablas de trabajo:       $tables"
echo
echo "\$ vindeleo-cli import samples/demo-school.xml --template J1"
"$build/vindeleo-cli" import "$document" --template J1
echo
/usr/bin/python3 - "$tables" <<'PY'
import os, sys
from dbfread import DBF
folder = sys.argv[1]
print("Tablas escritas:")
for name in sorted(os.listdir(folder)):
    if name.upper().endswith(".DBF"):
        table = DBF(os.path.join(folder, name), encoding="cp1252")
        print("  %-16s %5d registros   campos: %s" % (name, len(table), ", ".join(table.field_names)))
print()
print("Parte del día y hora (DIASHORAST), lunes:")
for record in DBF(os.path.join(folder, "DIASHORAST.DBF"), encoding="cp1252"):
    if record["DIA"] == "1":
        print("  DIHO %-4s %-8s %s-%s" % (record["DIHO"], record["TEXTOHOR"], record["HORADESDE"], record["HORAHASTA"]))
PY
