#!/usr/bin/env bash
# Checks the Windows package that scripts/build-windows.sh left in the build:
#  - package/ holds the programs (vindeleo.exe, vindeleo-cli.exe),
#    NIVELEX.DBF and the help guide SIRAVEL.chm, and nothing else;
#  - each program imports Windows' own DLLs only (everything else is linked in);
#  - vindeleo-windows-x64.zip holds exactly those files, byte for byte;
#  - NIVELEX.DBF is what the Linux build writes, byte for byte but for the
#    date of its last update (header bytes 1 to 3);
#  - SIRAVEL.chm is the help file that this build compiled, and libchm's
#    reader finds in it the same pages, pictures, contents and index, of the
#    same sizes, as in the Linux build's (whose help file the Linux tests
#    read through).
#
#   check-package.sh WINDOWS-BUILD LINUX-BUILD
set -uo pipefail
windows=$1
linux=$2
package="$windows/package"
failures=0
fail() { echo "FALLO: $*"; failures=$((failures + 1)); }

# --- the folder ---------------------------------------------------------------
listing=$(cd "$package" && ls -A | sort | tr '\n' ' ')
case "$listing" in
  "NIVELEX.DBF SIRAVEL.chm vindeleo-cli.exe vindeleo.exe ") echo "paquete: $listing" ;;
  *) fail "el paquete tiene otros archivos: $listing" ;;
esac

# --- the DLLs each program needs ----------------------------------------------
# Windows' own libraries: the system's C runtime (msvcrt or the universal
# runtime's api sets), the kernel, windows, dialogs, shell, sockets.
system_dll='^(kernel32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comdlg32|comctl32|ws2_32|bcrypt|version|uxtheme|imm32|winmm)\.dll$'
for program in "$package"/*.exe; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\s*DLL Name: //p')
  echo "$(basename "$program"): $(echo $dlls)"
  echo "$dlls" | grep -qix 'kernel32.dll' || fail "$(basename "$program"): no se leyeron sus DLL"
  while read -r dll; do
    [ -n "$dll" ] || continue
    echo "$dll" | grep -qiE "$system_dll" || fail "$(basename "$program") necesita $dll, que no es de Windows"
  done <<<"$dlls"
done

# --- the zip ------------------------------------------------------------------
/usr/bin/python3 - "$windows/vindeleo-windows-x64.zip" "$package" <<'PY' || fail "el zip no es el paquete"
import os, sys, zipfile
archive, folder = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(archive) as z:
    names = sorted(n.removeprefix("./") for n in z.namelist())
    assert names == sorted(os.listdir(folder)), (names, sorted(os.listdir(folder)))
    for name in z.namelist():
        with open(os.path.join(folder, name.removeprefix("./")), "rb") as f:
            assert z.read(name) == f.read(), name
print("zip: %d archivos, iguales a los del paquete" % len(names))
PY

# --- the catalogue ------------------------------------------------------------
without_date() { head -c 1 "$1"; printf '\0\0\0'; tail -c +5 "$1"; }
if [ ! -f "$linux/NIVELEX.DBF" ]; then
  fail "no está el NIVELEX.DBF de la compilación de Linux ($linux)"
elif cmp -s <(without_date "$package/NIVELEX.DBF") <(without_date "$linux/NIVELEX.DBF"); then
  echo "NIVELEX.DBF: igual al de Linux ($(stat -c %s "$package/NIVELEX.DBF") bytes)"
else
  fail "NIVELEX.DBF difiere del de Linux"
fi

# --- the help file --------------------------------------------------------------
# Name and length of every page, stylesheet, picture, contents and index that
# libchm lists (chmcmd's own tables hold the place of the build, and differ).
chm_files() {
  enum_chmLib "$1" | awk '$3 ~ /^[0-9]+$/ && $NF ~ /\.(html|css|png|hhc|hhk)$/ { print $NF, $3 }' | sort
}
if ! cmp -s "$package/SIRAVEL.chm" "$windows/SIRAVEL.chm"; then
  fail "SIRAVEL.chm del paquete no es el de la compilación"
elif [ ! -f "$linux/SIRAVEL.chm" ]; then
  fail "no está el SIRAVEL.chm de la compilación de Linux ($linux)"
elif ! listing=$(chm_files "$package/SIRAVEL.chm") || ! echo "$listing" | grep -q '^/ventana-principal.html '; then
  fail "libchm no lee las páginas de SIRAVEL.chm"
elif [ "$listing" = "$(chm_files "$linux/SIRAVEL.chm")" ]; then
  echo "SIRAVEL.chm: $(echo "$listing" | grep -c '\.html ') páginas, iguales a las de Linux"
else
  fail "SIRAVEL.chm difiere del de Linux"
fi

[ "$failures" -eq 0 ]
