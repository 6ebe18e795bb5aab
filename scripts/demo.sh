#!/usr/bin/env bash
# The round trip of the demo school in a temporary Wine-style drive C:
#  1. imports samples/demo-school.xml and prints the working tables it wrote;
#  2. puts the timetable program's solution table samples/SOLUC.DBF in place;
#  3. exports the timetable and prints what the result document holds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-deps.sh"
build=${VINDELEO_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target vindeleo-cli catalogue >/dev/null

export WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/vindeleo-demo.XXXXXX")
tables="$WINEPREFIX/drive_c/MTEMP"
mkdir -p "$tables"

document="$WINEPREFIX/alumnos.xml"
cp "$root/samples/demo-school.xml" "$document"
echo "Escuela de demostración: $document (copia de samples/demo-school.xml)"
echo "Tablas de trabajo:       $tables"
echo
echo "\$ vindeleo-cli import alumnos.xml --template J1"
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

echo
echo "El programa de horarios calcula el horario: samples/SOLUC.DBF -> $tables/SOLUC.DBF"
cp "$root/samples/SOLUC.DBF" "$tables/SOLUC.DBF"
echo
echo "\$ vindeleo-cli export alumnos.xml"
"$build/vindeleo-cli" export "$document"
result="$WINEPREFIX/ResultadoTuvanealumnos.xml"
echo
/usr/bin/python3 - "$result" <<'PY'
import sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
regular = root.find("./BLOQUE_DATOS/grupo_datos[@seq='HORARIOS_REGULARES']")
teachers = regular.findall("grupo_datos")
lessons = sum(len(t.findall("grupo_datos")) for t in teachers)
print("Documento de resultado: SERVICIO %s" % " ".join('%s="%s"' % kv for kv in root.attrib.items()))
print("  grupos de profesor exportados: %d" % len(teachers))
print("  grupos de actividad exportados: %d" % lessons)
for t in teachers:
    values = [d.text or "" for d in t.findall("dato")]
    print("    %-28s %-6s %2s actividades" % (t.get("seq"), values[0], t.get("registros")))
PY
echo
echo "Resultado: $result"
