#!/usr/bin/env python3
"""Writes a synthetic exchange document of a very large school, for measuring
the import: 20,000 subject rows, 5,000 teachers, 2,000 rooms, 2,000 groups and
200 time slots, where thousands of names give the same short code so that the
numeric suffixes run into the thousands.

    make-large-school.py OUTPUT.xml [--scale N]
"""
import argparse
import random


def dato(value):
    value = value.replace("&", "&amp;").replace("<", "&lt;")
    return "<dato>%s</dato>" % value


def section(out, seq, rows):
    out.write('  <grupo_datos seq="%s" registros="%d">\n' % (seq, len(rows)))
    for i, row in enumerate(rows, 1):
        out.write('    <grupo_datos seq="%s_%d">' % (seq, i))
        out.write("".join(dato(v) for v in row))
        out.write("</grupo_datos>\n")
    out.write("  </grupo_datos>\n")


def word(rng, length=7):
    return "".join(rng.choice("abcdefghijklmnopqrstuvwxyzáéíóúñ") for _ in range(length))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("output")
    parser.add_argument("--scale", type=float, default=1.0)
    args = parser.parse_args()
    rng = random.Random(2026)
    n = lambda count: max(1, int(count * args.scale))

    courses = [(str(3000 + i), "%dº Curso %s" % (i % 4 + 1, word(rng))) for i in range(n(500))]
    course_keys = [key for key, _ in courses]
    subjects = []
    for i in range(n(20000)):
        course = course_keys[i % len(course_keys)]
        if i % 2 == 0:
            name = "Proyecto Interdisciplinar %s %d" % (word(rng), i)  # all "PI"
        elif i % 5 == 1:
            name = "Materia compartida %d" % (i % 300)  # repeated names, shared by courses
        else:
            name = "%s %s de %s" % (word(rng).capitalize(), word(rng).capitalize(), word(rng))
        subjects.append((course, "M%06d" % i, name))
    activities = [(str(i), "ACT%03d" % i, "Actividad %s" % word(rng)) for i in range(n(50))]
    surnames = ["García", "Gómez", "González", "Gil"]
    teachers = []
    for i in range(n(5000)):
        teachers.append(("E%06d" % i, "01/09/2020", "Departamento %d" % (i % 30),
                         rng.choice(surnames), "López" if i % 3 else "Lara", "Juan" if i % 2 else "Julia"))
    rooms = []
    for i in range(n(2000)):
        code = "" if i % 2 == 0 else "AULA"
        rooms.append((code, "Aula de apoyo %d" % i))
    groups = []
    for i in range(n(2000)):
        name = "Apoyo" if i % 2 == 0 else "Grupo %04d" % i  # Apoyo, Apoyo1 ... Apoyo999
        groups.append(("U%05d" % i, name, course_keys[i % len(course_keys)]))
    templates = [("J1", "Jornada de mañana", "15/09/2026", "23/06/2027"),
                 ("J2", "Jornada de tarde", "15/09/2026", "31/05/2027")]
    slots = []
    for i in range(n(200)):
        template = "J1" if i % 4 else "J2"
        start = 420 + (i * 37) % 900
        slots.append(("T%03d" % i, "Tramo %d" % i, str(start), str(start + 55), template))

    with open(args.output, "w", encoding="iso-8859-1") as out:
        out.write('<?xml version="1.0" encoding="ISO-8859-1"?>\n<SERVICIO>\n <BLOQUE_DATOS>\n')
        out.write('  <grupo_datos seq="ANNO_ACADEMICO"><dato>2026</dato></grupo_datos>\n')
        section(out, "MATERIAS", subjects)
        section(out, "ACTIVIDADES", activities)
        section(out, "EMPLEADOS", teachers)
        section(out, "DEPENDENCIAS", rooms)
        section(out, "CURSOS_DEL_CENTRO", courses)
        section(out, "UNIDADES", groups)
        section(out, "JORNADAS_ESCOLARES", templates)
        section(out, "TRAMOS_HORARIOS", slots)
        out.write(" </BLOQUE_DATOS>\n</SERVICIO>\n")


if __name__ == "__main__":
    main()
