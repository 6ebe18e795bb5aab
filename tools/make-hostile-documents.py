#!/usr/bin/env python3
"""Writes documents that the loader must refuse at once, each beside a good
document of the same size, for measuring the refusal against a parse:

    make-hostile-documents.py DIRECTORY [--size BYTES] [--attributes N]

Each shape is an exchange document whose data block holds one long run that
libxml2 would report as an error at every step (an error per pair of dashes
in a comment, per unclosed tag, per invalid character, per '&' without a name),
or one element with N attributes (or namespace declarations, or attributes
declared with a default), which libxml2 checks against each other in square
time. SHAPE.xml is the hostile document; SHAPE-good.xml has the run replaced by
a comment of plain text of the same length, and parses in the time it takes to
read it. Prints one line per shape: its name and the two files.
"""
import argparse
import os

HEAD = '<?xml version="1.0" encoding="UTF-8"?>\n'
BLOCK = "<SERVICIO><BLOQUE_DATOS>"
TAIL = "</BLOQUE_DATOS></SERVICIO>\n"


def repeated(unit, size):
    return unit * max(1, size // len(unit))


def attributes(count, form):
    return "".join(form % i for i in range(count))


def shapes(size, count):
    """(name, prolog, run in the data block)"""
    return [
        ("comment-dashes", "", "<!-- " + "-" * size + " -->"),
        ("unclosed-tags", "", repeated("<a", size)),
        ("invalid-characters", "", repeated("\x01", size)),
        ("bare-ampersands", "", repeated("&", size)),
        ("attributes", "", '<grupo_datos seq="X"' + attributes(count, ' a%d="1"') + "/>"),
        ("namespace-declarations", "", '<grupo_datos seq="X"' + attributes(count, ' xmlns:p%d="u"') + "/>"),
        ("declared-attributes",
         "<!DOCTYPE SERVICIO [\n<!ATTLIST grupo_datos" + attributes(count, ' a%d CDATA "1"') + ">\n]>\n",
         '<grupo_datos seq="X"/>'),
    ]


def write(path, prolog, run):
    with open(path, "w", encoding="utf-8", newline="") as out:
        out.write(HEAD + prolog + BLOCK + run + TAIL)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("directory")
    parser.add_argument("--size", type=int, default=2_000_000, help="length of the long runs")
    parser.add_argument("--attributes", type=int, default=80_000, help="attributes of the one element")
    args = parser.parse_args()
    os.makedirs(args.directory, exist_ok=True)
    for name, prolog, run in shapes(args.size, args.attributes):
        hostile = os.path.join(args.directory, name + ".xml")
        good = os.path.join(args.directory, name + "-good.xml")
        write(hostile, prolog, run)
        write(good, "", "<!-- " + "x" * (len(prolog) + len(run) - 9) + " -->")
        print(name, hostile, good)


if __name__ == "__main__":
    main()
