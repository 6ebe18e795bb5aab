#!/usr/bin/python3
"""Writes the demo school's solution table SOLUC.DBF, as the timetable program
would leave it after computing a timetable.

    tools/make-demo-soluc.py MTEMP OUT

MTEMP holds the working tables that an import of samples/demo-school.xml wrote
(template J1); the lessons use their teachers, subject assignments, rooms and
day-and-hour grid. The result is the same on every run. It is written with
python3-dbf, a dBase writer that is not the project's own, so the export also
reads a table that another program wrote.

What the table shows, besides ordinary lessons:
  - every teacher has lessons except the last but one (RAB);
  - the teacher whose abbreviation holds a single quote ('VG) has lessons;
  - unplaced lessons: records with DIA 0 (and HORA 0), which the export skips;
  - a lesson whose day and hour have no slot in the grid (hour 9);
  - a task lesson (GUA) with a blank TAREA, whose activity comes from ASIGNOMT;
  - a lesson whose TAREA is written (REU);
  - a lesson without a room (AULA of blanks);
  - a record of a teacher that the teachers table does not know.
"""
import os
import sys

import dbf
from dbfread import DBF

FIELDS = "PROF C(10); DIA N(2,0); HORA N(2,0); ASIG C(10); CODGRUPO C(10); TAREA C(10); AULA C(10)"
TEACHING_HOURS = [1, 2, 3, 5, 6, 7]  # hour 4 is the break
DAYS = [1, 2, 3, 4, 5]
WITHOUT_LESSONS = "RAB"


def read(folder, name):
    return list(DBF(os.path.join(folder, name + ".DBF"), encoding="cp1252", char_decode_errors="strict"))


def lessons(folder):
    teachers = [t["ABREV"] for t in read(folder, "PROFT")]
    assignments = [(a["CASIG"], a["CGRUP"]) for a in read(folder, "ASIGT")]
    rooms = [r["ABREV"] for r in read(folder, "AULAT")]
    rows = []
    next_assignment = 0
    for number, teacher in enumerate(teachers):
        if teacher == WITHOUT_LESSONS:
            continue
        for lesson in range(4 + number % 3):
            subject, group = assignments[next_assignment % len(assignments)]
            next_assignment += 1
            day = DAYS[(number + lesson) % len(DAYS)]
            hour = TEACHING_HOURS[(lesson + number // len(DAYS)) % len(TEACHING_HOURS)]
            room = rooms[(number + lesson) % len(rooms)]
            rows.append((teacher, day, hour, subject, group, "", room))
        if number == 0:
            rows.append((teacher, 0, 0, assignments[0][0], assignments[0][1], "", rooms[0]))
            rows.append((teacher, 5, 9, assignments[1][0], assignments[1][1], "", rooms[1]))
        if number == 1:
            rows.append((teacher, 3, 3, "GUA", "", "", " " * 10))
            rows.append((teacher, 0, 0, "GUA", "", "", ""))
        if number == 2:
            rows.append((teacher, 4, 7, "REU", "", "REU", rooms[2]))
    rows.append(("NADIE", 1, 1, assignments[0][0], assignments[0][1], "", rooms[0]))
    return rows


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    folder, out = sys.argv[1], sys.argv[2]
    if os.path.exists(out):
        os.remove(out)
    table = dbf.Table(out, FIELDS, codepage="cp1252", dbf_type="db3")
    table.open(dbf.READ_WRITE)
    for row in lessons(folder):
        table.append(row)
    table.close()
    print("%s: %d registros" % (out, len(lessons(folder))))


if __name__ == "__main__":
    main()
