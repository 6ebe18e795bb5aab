#!/usr/bin/python3
"""Writes a solution table SOLUC.DBF for the synthetic large school, for
measuring the export: LESSONS lessons spread over the teachers of PROFT, each
on a subject assignment of ASIGT, a room of AULAT and a slot of DIASHORAST;
one lesson in twenty is unplaced (DIA 0).

    make-large-soluc.py MTEMP OUT [--lessons 200000]

MTEMP holds the tables that an import of the large school wrote. The table is
written byte by byte as dBase III, which is quick for hundreds of thousands of
records.
"""
import argparse
import datetime
import os
import random
import struct

from dbfread import DBF

FIELDS = [("PROF", "C", 10), ("DIA", "N", 2), ("HORA", "N", 4), ("ASIG", "C", 10),
          ("CODGRUPO", "C", 10), ("TAREA", "C", 10), ("AULA", "C", 10)]


def column(folder, table, *names):
    rows = DBF(os.path.join(folder, table + ".DBF"), encoding="cp1252")
    return [tuple(r[n] for n in names) for r in rows]


def field_bytes(value, kind, width):
    if kind == "N":
        text = str(value)
        assert len(text) <= width, "%s does not fit in %d characters" % (text, width)
        return text.rjust(width).encode("ascii")
    return value.encode("cp1252")[:width].ljust(width)


def write_dbf(path, records):
    today = datetime.date.today()
    record_length = 1 + sum(width for _, _, width in FIELDS)
    header_length = 32 + 32 * len(FIELDS) + 1
    with open(path, "wb") as out:
        out.write(struct.pack("<BBBBIHH20x", 0x03, today.year - 1900, today.month, today.day,
                              len(records), header_length, record_length))
        for name, kind, width in FIELDS:
            out.write(struct.pack("<11sc4xBB14x", name.encode("ascii"), kind.encode("ascii"), width, 0))
        out.write(b"\r")
        for record in records:
            out.write(b" " + b"".join(field_bytes(v, k, w) for v, (_, k, w) in zip(record, FIELDS)))
        out.write(b"\x1a")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mtemp")
    parser.add_argument("output")
    parser.add_argument("--lessons", type=int, default=200000)
    args = parser.parse_args()
    rng = random.Random(2026)
    teachers = [t for (t,) in column(args.mtemp, "PROFT", "ABREV")]
    assignments = column(args.mtemp, "ASIGT", "CASIG", "CGRUP")
    rooms = [r for (r,) in column(args.mtemp, "AULAT", "ABREV")]
    slots = [(int(d), int(h)) for d, h in column(args.mtemp, "DIASHORAST", "DIA", "HORA")]
    records = []
    for i in range(args.lessons):
        teacher = teachers[i % len(teachers)]
        subject, group = rng.choice(assignments)
        day, hour = (0, 0) if i % 20 == 19 else rng.choice(slots)
        records.append((teacher, day, hour, subject, group, "", rng.choice(rooms)))
    write_dbf(args.output, records)
    print("%s: %d registros" % (args.output, len(records)))


if __name__ == "__main__":
    main()
