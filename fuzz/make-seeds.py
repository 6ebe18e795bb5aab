#!/usr/bin/python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Usage: make-seeds.py BUILD_DIR   (a build with vindeleo-cli and make-catalogue)

The seeds come from the demo school (samples/), cut down to a few rows of each
section so that they stay small, from the tables an import of it writes, from
tables that python3-dbf writes in other dBase dialects, and from the hand-made
files of the tests. The corpora are kept in the repository, together with the
inputs that once broke a target (regression-*); run this again only to renew
the seeds.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

import dbf
from dbfread import DBF

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
ROWS_KEPT = 3


def fresh(folder):
    """The corpus folder emptied of its seeds; the inputs that once broke a
    target (regression-*) stay."""
    path = os.path.join(CORPUS, folder)
    os.makedirs(path, exist_ok=True)
    for name in os.listdir(path):
        if not name.startswith("regression-"):
            os.remove(os.path.join(path, name))
    return path


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data if isinstance(data, bytes) else data.encode("utf-8"))


# --- exchange documents -------------------------------------------------

def trimmed_demo(encoding, templates=("J1", "J2")):
    tree = ET.parse(os.path.join(ROOT, "samples", "demo-school.xml"))
    block = tree.getroot().find("BLOQUE_DATOS")
    for section in block.findall("grupo_datos"):
        rows = section.findall("grupo_datos")
        seq = section.get("seq")
        if seq == "JORNADAS_ESCOLARES":
            keep = [r for r in rows if r.findall("dato")[0].text.strip() in templates]
        elif seq == "TRAMOS_HORARIOS":
            keep = [r for r in rows if (r.findall("dato")[4].text or "").strip() in templates][:4]
        else:
            keep = rows[:ROWS_KEPT]
        for row in rows:
            if row not in keep:
                section.remove(row)
        if section.get("registros"):
            section.set("registros", str(len(keep)))
    ET.indent(tree, space=" ")
    return ET.tostring(tree.getroot(), encoding=encoding, xml_declaration=True)


def exchange_documents(build):
    folder = fresh("exchange_document")
    write(folder, "demo-two-templates.xml", trimmed_demo("ISO-8859-1"))
    write(folder, "demo-one-template.xml", trimmed_demo("UTF-8", templates=("J1",)))
    write(folder, "empty-block.xml", '<?xml version="1.0"?>\n<SERVICIO><BLOQUE_DATOS/></SERVICIO>\n')
    write(folder, "not-exchange.xml", "<raiz><BLOQUE_DATOS/></raiz>")
    write(folder, "not-well-formed.xml", "<SERVICIO><BLOQUE_DATOS></SERVICIO>")
    write(folder, "course-not-a-number.xml",
          '<SERVICIO><BLOQUE_DATOS><grupo_datos seq="CURSOS_DEL_CENTRO"><grupo_datos>'
          "<dato> 1a </dato><dato>1\u00ba ESO</dato></grupo_datos></grupo_datos></BLOQUE_DATOS></SERVICIO>")
    write(folder, "odd-nodes.xml",
          '<?xml version="1.0" encoding="UTF-8"?>\n<!-- nota -->\n<SERVICIO xmlns:x="urn:x">'
          '<BLOQUE_DATOS><?pi algo?><grupo_datos seq="MATERIAS"><grupo_datos>'
          "<dato>3101</dato><dato><![CDATA[M<1>]]></dato><dato>Matem&#225;ticas &amp; &#x20AC;</dato>"
          "</grupo_datos><x:grupo_datos><dato>9</dato></x:grupo_datos></grupo_datos>"
          '<grupo_datos seq="EMPLEADOS"><grupo_datos><dato>E1</dato><dato>P\u00e9rez</dato>'
          "<dato>Ana</dato><dato>\u00c1lvarez</dato><dato>01/09/2026</dato></grupo_datos></grupo_datos>"
          "</BLOQUE_DATOS></SERVICIO>")
    write(folder, "internal-entity.xml",
          '<?xml version="1.0"?>\n<!DOCTYPE SERVICIO [<!ENTITY a "aaaa">]>\n'
          "<SERVICIO><BLOQUE_DATOS>&a;</BLOQUE_DATOS></SERVICIO>")
    write(folder, "entities-in-rows.xml",
          '<?xml version="1.0"?>\n<!DOCTYPE SERVICIO [<!ENTITY c "IES &d;"><!ENTITY d "Uno">'
          '<!ENTITY f "<grupo_datos><dato>1</dato><dato>&d;</dato><dato>&c;</dato></grupo_datos>">'
          '<!ATTLIST dato n CDATA "&c;"><!ENTITY % p "y">]>\n'
          '<SERVICIO><BLOQUE_DATOS><grupo_datos seq="MATERIAS"><grupo_datos><dato>&c;</dato>'
          '<dato a="&d;">x</dato><dato>&c;&c;</dato></grupo_datos>&f;&f;</grupo_datos></BLOQUE_DATOS></SERVICIO>')


    # Long runs of faults, each reported by libxml2 2.9 on its own unless the
    # load stops at the first, cut down to a few hundred bytes.
    flood = '<?xml version="1.0"?>\n<SERVICIO><BLOQUE_DATOS>%s</BLOQUE_DATOS></SERVICIO>\n'
    write(folder, "flood-comment-dashes.xml", flood % ("<!-- " + "-" * 300 + " -->"))
    write(folder, "flood-unclosed-tags.xml", flood % ("<a" * 150))
    write(folder, "flood-invalid-characters.xml", flood % ("\x01" * 300))
    write(folder, "flood-bytes-not-utf8.xml", (flood % "@").encode("utf-8").replace(b"@", b"\xc0\xaf\xed\xa0\x80" * 60))
    write(folder, "flood-ampersands.xml", flood % ("&" * 300))
    # Elements with many attributes: written, namespace declarations, declared
    # with a default (a few dozen each), and one in an entity's text with more
    # than an element may hold (names of two letters, to stay small).
    def attributes(form, count):
        return "".join(form % i for i in range(count))
    names = [a + b for a in "abcdefghijklmnopqrstuvwxyz" for b in "abcdefghijklmnopqrstuvwxyz"]
    write(folder, "many-attributes.xml", flood % ('<grupo_datos seq="X"%s/>' % attributes(' a%d="1"', 60)))
    write(folder, "many-namespaces.xml", flood % ('<grupo_datos seq="X"%s/>' % attributes(' xmlns:p%d="u"', 60)))
    write(folder, "declared-attributes.xml",
          '<?xml version="1.0"?>\n<!DOCTYPE SERVICIO [<!ATTLIST grupo_datos%s>]>\n'
          '<SERVICIO><BLOQUE_DATOS><grupo_datos seq="X"/></BLOQUE_DATOS></SERVICIO>\n'
          % attributes(' a%d CDATA "1"', 60))
    write(folder, "entity-crowded-element.xml",
          '<?xml version="1.0"?>\n<!DOCTYPE SERVICIO [<!ENTITY e "<dato%s>x</dato>">]>\n'
          '<SERVICIO><BLOQUE_DATOS><grupo_datos seq="MATERIAS"><grupo_datos>&e;</grupo_datos></grupo_datos>'
          "</BLOQUE_DATOS></SERVICIO>\n" % "".join(" %s=''" % n for n in names[:600] + [n + "z" for n in names[:401]]))
    # Encodings: UTF-16 with its byte order mark both ways, Windows-1252 and
    # ISO-8859 sets named in the declaration.
    school = ('<?xml version="1.0" encoding="%s"?>\n<SERVICIO><BLOQUE_DATOS><grupo_datos seq="MATERIAS">'
              "<grupo_datos><dato>3101</dato><dato>M1</dato><dato>%s</dato></grupo_datos></grupo_datos>"
              "</BLOQUE_DATOS></SERVICIO>\n")
    write(folder, "utf16le-bom.xml", b"\xff\xfe" + (school % ("UTF-16", "Matem\u00e1ticas \u20ac")).encode("utf-16-le"))
    write(folder, "utf16be-bom.xml", b"\xfe\xff" + (school % ("UTF-16", "Matem\u00e1ticas \u0141")).encode("utf-16-be"))
    for encoding, name in (("windows-1252", "Matem\u00e1ticas \u20ac \u0152"), ("ISO-8859-1", "Matem\u00e1ticas \u00ba"),
                           ("ISO-8859-2", "Matem\u00e1tyka \u0141\u00f3d\u017a"), ("ISO-8859-15", "Matem\u00e1ticas \u20ac")):
        write(folder, "encoding-%s.xml" % encoding.lower(), (school % (encoding, name)).encode(encoding))


# --- tables ---------------------------------------------------------------

def import_document(build, work, name, document_bytes):
    """The working tables that an import of the document writes."""
    prefix = os.path.join(work, name)
    tables = os.path.join(prefix, "drive_c", "MTEMP")
    os.makedirs(tables)
    document = os.path.join(prefix, "alumnos.xml")
    write(prefix, "alumnos.xml", document_bytes)
    env = dict(os.environ, WINEPREFIX=prefix)
    subprocess.run([os.path.join(build, "vindeleo-cli"), "import", document, "--template", "J1"],
                   check=True, env=env, stdout=subprocess.DEVNULL)
    return tables


def import_demo(build, work):
    with open(os.path.join(ROOT, "samples", "demo-school.xml"), "rb") as f:
        tables = import_document(build, work, "demo", f.read())
    shutil.copy(os.path.join(ROOT, "samples", "SOLUC.DBF"), os.path.join(tables, "SOLUC.DBF"))
    return tables


# Between a table and its production index in an input of the table reader.
INDEX_MARK = b"\n--MDX--\n"


def slots_with_index(build, work):
    """DIASHORAST2 and its production index (ORDEN) from a school of three
    time slots, given out of time order."""
    slots = "".join('<grupo_datos><dato>T%d</dato><dato>%d\u00aa</dato><dato>%d</dato><dato>%d</dato>'
                    '<dato>J1</dato></grupo_datos>' % (i, i, start, start + 55)
                    for i, start in [(1, 540), (2, 480), (3, 600)])
    document = ('<SERVICIO><BLOQUE_DATOS><grupo_datos seq="JORNADAS_ESCOLARES"><grupo_datos><dato>J1</dato>'
                '<dato>Ma\u00f1ana</dato><dato>15/09/2026</dato><dato>23/06/2027</dato></grupo_datos></grupo_datos>'
                '<grupo_datos seq="TRAMOS_HORARIOS">' + slots + '</grupo_datos></BLOQUE_DATOS></SERVICIO>')
    tables = import_document(build, work, "slots", document)
    with open(os.path.join(tables, "DIASHORAST2.DBF"), "rb") as f:
        table = f.read()
    with open(os.path.join(tables, "DIASHORAST2.MDX"), "rb") as f:
        index = f.read()
    return table + INDEX_MARK + index


def cut_table(path, records):
    """The table with only its first records (header count made to agree)."""
    with open(path, "rb") as f:
        data = f.read()
    header_length, record_length = struct.unpack("<HH", data[8:12])
    count = min(records, struct.unpack("<I", data[4:8])[0])
    header = bytearray(data[:header_length])
    header[4:8] = struct.pack("<I", count)
    return bytes(header) + data[header_length:header_length + count * record_length] + b"\x1a"


def python_dbf_table(work, name, field_specs, dbf_type, rows, delete=()):
    path = os.path.join(work, name)
    table = dbf.Table(path, field_specs, dbf_type=dbf_type, codepage="cp1252")
    table.open(dbf.READ_WRITE)
    for row in rows:
        table.append(row)
    for index in delete:
        dbf.delete(table[index])
    table.close()
    with open(path, "rb") as f:
        return f.read()


def dbase7_table():
    """A dBase 7 table with C, I, O, + and @ fields, after the published layout."""
    fields = [("NOMBRE_DEL_ARTICULO", b"C", 12), ("CANTIDAD", b"I", 4), ("PRECIO", b"O", 8),
              ("CONTADOR", b"+", 4), ("MOMENTO", b"@", 8)]
    record_length = 1 + sum(f[2] for f in fields)
    header_length = 68 + 48 * len(fields) + 1
    out = bytes([0x04, 0x7C, 3, 15]) + struct.pack("<IHH", 2, header_length, record_length)
    out += bytes(17) + bytes([0x57]) + bytes(2) + b"DBWINWE0".ljust(32, b"\0") + bytes(4)
    for name, kind, length in fields:
        out += name.encode().ljust(32, b"\0") + kind + bytes([length, 0]) + bytes(13)
    out += b"\x0d"

    def long7(v):
        return struct.pack(">I", (v & 0xFFFFFFFF) ^ 0x80000000)

    def double7(v):
        bits = struct.unpack(">Q", struct.pack(">d", v))[0]
        bits = (~bits & 0xFFFFFFFFFFFFFFFF) if bits >> 63 else bits | (1 << 63)
        return struct.pack(">Q", bits)

    timestamp = bytes.fromhex("C2CD08AC7E9C0400")
    out += b" " + b"Tornillo".ljust(12) + long7(5) + double7(2.5) + long7(1) + timestamp
    out += b"*" + b"Deuda".ljust(12) + long7(-5) + double7(-1234.125) + long7(2) + bytes(8)
    return out + b"\x1a"


def dbase4_with_memo():
    def descriptor(name, kind, length, decimals=0):
        return name.encode().ljust(11, b"\0") + kind + bytes(4) + bytes([length, decimals]) + bytes(14)
    fields = [("NOMBRE", b"C", 8), ("CANTIDAD", b"N", 5), ("PESO", b"F", 10, 3), ("FECHA", b"D", 8),
              ("HECHO", b"L", 1), ("NOTAS", b"M", 10)]
    record_length = 1 + sum(f[2] for f in fields)
    header_length = 32 + 32 * len(fields) + 1
    out = bytes([0x8B, 0x7C, 3, 15]) + struct.pack("<IHH", 2, header_length, record_length) + bytes(17)
    out += bytes([0x57]) + bytes(2)
    for f in fields:
        out += descriptor(*f)
    out += b"\x0d"
    out += b" " + b"Pera".ljust(8) + b"12".rjust(5) + b"3.250".rjust(10) + b"20230102" + b"T" + b"1".rjust(10)
    out += b"*" + b"Uva".ljust(8) + b" " * 5 + b"-0.500".rjust(10) + b" " * 8 + b"?" + b" " * 10
    return out + b"\x1a"


def tables(build, work, imported):
    folder = fresh("table_reader")
    write(folder, "SOLUC.DBF", cut_table(os.path.join(imported, "SOLUC.DBF"), 12))
    for name, records in [("PROFT", 3), ("PERIODOS", 1), ("DIASHORAST2", 4), ("ASIGT", 3)]:
        write(folder, name + ".DBF", cut_table(os.path.join(imported, name + ".DBF"), records))
    csv = os.path.join(work, "niveles.csv")
    with open(csv, "w", encoding="utf-8") as out:
        out.write("3101;ESO;Educaci\u00f3n Secundaria Obligatoria - 1\u00ba\n5101;BACH;Bachillerato - 1\u00ba\n")
    subprocess.run([os.path.join(build, "make-catalogue"), csv, os.path.join(folder, "NIVELEX.DBF")], check=True)
    write(folder, "dbase3.dbf", python_dbf_table(
        work, "db3.dbf", "NOMBRE C(10); EDAD N(3,0); PESO N(6,2); ACTIVO L; ALTA D", "db3",
        [("Ana", 30, 61.5, True, dbf.Date(2024, 3, 15)), ("Jos\xe9", -7, None, False, None),
         ("Borrada", 1, 1, True, None)], delete=(2,)))
    write(folder, "foxpro.dbf", python_dbf_table(
        work, "vfp.dbf", "CLAVE I; NOMBRE C(20); PRECIO N(8,2)", "vfp",
        [(1, "uno", 1.5), (-2, "dos", 2.25), (123456789, "nueve", -3)], delete=(1,)))
    write(folder, "dbase7.dbf", dbase7_table())
    write(folder, "dbase4-memo.dbf", dbase4_with_memo())
    write(folder, "DIASHORAST2-with-index", slots_with_index(build, work))


# --- the lesson writer's tables ---------------------------------------

def lesson_tables(imported):
    """Lines of the lesson writer's input: a table digit, then the values."""
    def records(name):
        return [list(r.values()) for r in DBF(os.path.join(imported, name + ".DBF"), encoding="cp1252")]

    def text(value):
        return "" if value is None else ("T" if value is True else "F" if value is False else str(value))

    teachers = records("PROFT")[:2]
    abbreviations = {t[0] for t in teachers}
    lessons = [l for l in records("SOLUC") if l[0] in abbreviations][:8]
    subjects = {l[3] for l in lessons}
    groups = {l[4] for l in lessons}
    slots = {str(l[1]) + str(l[2]) for l in lessons}
    chosen = [
        ("0", teachers),
        ("1", lessons),
        ("2", [a for a in records("ASIGT") if a[0] in subjects and a[2] in groups][:6]),
        ("3", [a for a in records("ASIGNOMT") if a[0] in subjects]),
        ("4", [s for s in records("DIASHORAST") if s[0] in slots]),
        ("5", [g for g in records("GRUPOST") if g[0] in groups]),
    ]
    lines = []
    for digit, rows in chosen:
        for row in rows:
            lines.append(digit + "\t".join(text(v) for v in row))
    return "\n".join(lines).encode("cp1252")


def lesson_writer(imported):
    folder = fresh("lesson_writer")
    body = lesson_tables(imported)
    write(folder, "demo-layouts", b"\x00" + body)
    write(folder, "demo-all-text", b"\x3f" + body)
    write(folder, "clock-not-a-number", b"\x00" + "0P1\t\t\t0\tE1\t01/09/2026\n1P1\t1\t1\tM\tG\t\tA\n"
          "411\tT1\t1\t\t1\t\t8:x0\t09:00\t55".encode())


def main():
    build = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        imported = import_demo(build, work)
        exchange_documents(build)
        tables(build, work, imported)
        lesson_writer(imported)


if __name__ == "__main__":
    main()
