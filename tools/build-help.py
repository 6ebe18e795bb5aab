#!/usr/bin/env python3
"""Builds the help guide: SIRAVEL.chm for HTML Help and the same pages as a
folder of plain HTML for a browser.

    build-help.py GUIDE_SOURCES IMAGES_DIR WORK_DIR OUTPUT_CHM OUTPUT_FOLDER

GUIDE_SOURCES holds the pages (*.html), the stylesheet, the HTML Help
project (SIRAVEL.hhp, with the context map in its [ALIAS] and [MAP]
sections), the table of contents (SIRAVEL.hhc) and the keyword index
(SIRAVEL.hhk); IMAGES_DIR the screenshots that the pages show (*.png, taken
by name). Everything is staged in WORK_DIR, where chmcmd (Debian's fp-utils)
compiles it. The programs chmcmd and extract_chmLib are taken from the
environment variables CHMCMD and EXTRACT_CHMLIB, or else from the PATH.

The table of contents and the index are kept in UTF-8 like the pages, and
staged in Windows-1252: HTML Help reads them in the code page of the file's
language (Spanish), while the pages declare their own charset.

chmcmd 3.2.2 stores the topic of each help context (#IVB points into
#STRINGS) as the project directory's absolute path followed by the page's
name ("/home/.../guide/ventana-principal.html"), a path that exists in no help
file, so HTML Help could not open the topic of a context. HTML Help expects the
page's name inside the file ("ventana-principal.html"). This script rewrites
those topic strings: the new #STRINGS is the old one with each such string
replaced by the page's name, padded with NUL bytes so that every other
string keeps its offset, and stored uncompressed (section 0) at the end of the
file, its directory entry pointing there. A chmcmd that already writes the
names leaves nothing to rewrite.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

PROJECT = "SIRAVEL.hhp"
COMPILED = "SIRAVEL.chm"


def fail(message):
    sys.exit("build-help: " + message)


# --- staging and compiling ------------------------------------------------------

def stage(sources, images, work):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    pages = []
    for name in sorted(os.listdir(sources)):
        path = os.path.join(sources, name)
        if not os.path.isfile(path):
            continue
        if name.endswith((".hhc", ".hhk")):
            with open(path, encoding="utf-8") as f:
                text = f.read()
            with open(os.path.join(work, name), "w", encoding="cp1252", newline="") as f:
                f.write(text)
        elif name.endswith((".html", ".css", ".hhp")):
            shutil.copyfile(path, os.path.join(work, name))
            if name.endswith(".html"):
                pages.append(name)
    # The screenshots that the pages show, by name.
    for page in pages:
        with open(os.path.join(work, page), encoding="utf-8") as f:
            text = f.read()
        for picture in sorted(os.listdir(images)):
            if picture.endswith(".png") and ('"' + picture + '"') in text:
                shutil.copyfile(os.path.join(images, picture), os.path.join(work, picture))
    return pages


def compile_chm(work):
    # chmcmd's notes quote the index's keywords as the staged index spells
    # them, in Windows-1252.
    run = subprocess.run([os.environ.get("CHMCMD", "chmcmd"), "--verbosity", "1", PROJECT], cwd=work,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, encoding="cp1252", errors="replace")
    output = run.stdout
    problems = [line for line in output.splitlines() if line.startswith(("Error", "Warning"))]
    chm = os.path.join(work, COMPILED)
    if run.returncode != 0 or problems or "seems corrupt" in output or not os.path.isfile(chm):
        fail("chmcmd did not compile the guide:\n" + output)
    return chm


# --- the CHM container ------------------------------------------------------------
# An ITSF file: a header, the directory (an ITSP header and chunks of PMGL
# listing entries: name, section, offset, length), then the content; section 0
# is stored as it is, section 1 compressed.

def read_encint(data, pos):
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, pos


def encint(value):
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(groups))


class Container:
    def __init__(self, data):
        if data[:4] != b"ITSF" or struct.unpack_from("<I", data, 4)[0] != 3:
            fail("not an ITSF version 3 file")
        self.data = bytearray(data)
        (self.header0, _, self.directory, _, self.content) = struct.unpack_from("<QQQQQ", data, 0x38)
        itsp = self.directory
        if data[itsp:itsp + 4] != b"ITSP":
            fail("no directory header")
        self.itsp_length = struct.unpack_from("<I", data, itsp + 8)[0]
        self.chunk_size = struct.unpack_from("<I", data, itsp + 0x10)[0]
        self.first_listing = struct.unpack_from("<i", data, itsp + 0x20)[0]

    def chunk_offset(self, number):
        return self.directory + self.itsp_length + number * self.chunk_size

    def listing_chunks(self):
        number = self.first_listing
        while number != -1:
            offset = self.chunk_offset(number)
            if self.data[offset:offset + 4] != b"PMGL":
                fail("directory chunk %d is not a listing" % number)
            yield offset
            number = struct.unpack_from("<i", self.data, offset + 16)[0]

    def entries(self, chunk):
        """The entries of a listing chunk: (start, name, section, offset, length)."""
        free = struct.unpack_from("<I", self.data, chunk + 4)[0]
        end = chunk + self.chunk_size - free
        pos = chunk + 20
        found = []
        while pos < end:
            start = pos
            length, pos = read_encint(self.data, pos)
            name = bytes(self.data[pos:pos + length]).decode("utf-8")
            pos += length
            section, pos = read_encint(self.data, pos)
            offset, pos = read_encint(self.data, pos)
            size, pos = read_encint(self.data, pos)
            found.append((start - chunk, name, section, offset, size))
        return found

    def find(self, name):
        for chunk in self.listing_chunks():
            for entry in self.entries(chunk):
                if entry[1] == name:
                    return chunk, entry
        return None, None

    def replace_entry(self, name, section, offset, length):
        """Points a directory entry elsewhere; the chunk is laid out again with
        its quick-reference words pointing at the same entries as before."""
        chunk, entry = self.find(name)
        if chunk is None:
            fail("no entry " + name)
        entries = self.entries(chunk)
        starts = [e[0] for e in entries]
        count_at = chunk + self.chunk_size - 2
        if struct.unpack_from("<H", self.data, count_at)[0] != len(entries):
            fail("unexpected entry count in the directory")
        # Quick-reference words, from the end of the chunk backwards: each
        # the offset of an entry from the first entry.
        free = struct.unpack_from("<I", self.data, chunk + 4)[0]
        references = []
        for k in range(1, free // 2):
            at = count_at - 2 * k
            value = struct.unpack_from("<H", self.data, at)[0]
            if value == 0 or value + 20 not in starts[1:]:
                break
            references.append(starts.index(value + 20))
        body = bytearray()
        new_starts = []
        for (_, entry_name, entry_section, entry_offset, entry_length) in entries:
            if entry_name == name:
                entry_section, entry_offset, entry_length = section, offset, length
            encoded = entry_name.encode("utf-8")
            new_starts.append(20 + len(body))
            body += encint(len(encoded)) + encoded + encint(entry_section) + encint(entry_offset) + encint(entry_length)
        tail = 2 + 2 * len(references)
        if 20 + len(body) + tail > self.chunk_size:
            fail("the directory chunk has no room for the new entry")
        layout = bytearray(self.chunk_size)
        layout[0:20] = self.data[chunk:chunk + 20]
        struct.pack_into("<I", layout, 4, self.chunk_size - 20 - len(body))
        layout[20:20 + len(body)] = body
        struct.pack_into("<H", layout, self.chunk_size - 2, len(entries))
        for k, index in enumerate(references, start=1):
            struct.pack_into("<H", layout, self.chunk_size - 2 - 2 * k, new_starts[index] - 20)
        self.data[chunk:chunk + self.chunk_size] = layout

    def append_uncompressed(self, name, content):
        offset = len(self.data) - self.content
        self.data += content
        self.replace_entry(name, 0, offset, len(content))
        # Header section 0 holds the file's size.
        struct.pack_into("<Q", self.data, self.header0 + 8, len(self.data))


# --- the context map ----------------------------------------------------------------

def extracted(chm, names):
    """Files of the compiled help, read back by libchm's extract_chmLib."""
    with tempfile.TemporaryDirectory() as out:
        run = subprocess.run([os.environ.get("EXTRACT_CHMLIB", "extract_chmLib"), chm, out], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        if run.returncode != 0:
            fail("extract_chmLib cannot read %s: %s" % (chm, run.stderr))
        files = {}
        for name in names:
            path = os.path.join(out, name)
            files[name] = open(path, "rb").read() if os.path.isfile(path) else None
        return files


def fix_context_map(chm, work, pages):
    files = extracted(chm, ["#IVB", "#STRINGS"])
    ivb, strings = files["#IVB"], files["#STRINGS"]
    if ivb is None:
        fail("the compiled guide has no context map (#IVB)")
    size = struct.unpack_from("<I", ivb, 0)[0]
    if size != len(ivb) - 4 or size % 8:
        fail("the context map (#IVB) is not a list of pairs")
    prefix = (os.path.realpath(work).rstrip("/") + "/").encode("utf-8")
    fixed = bytearray(strings)
    for i in range(size // 8):
        context, offset = struct.unpack_from("<II", ivb, 4 + 8 * i)
        end = strings.index(b"\0", offset)
        topic = strings[offset:end]
        if topic.startswith(prefix):
            topic = topic[len(prefix):]
            fixed[offset:end] = topic + b"\0" * (end - offset - len(topic))
        if topic.decode("utf-8") not in pages:
            fail("help context %d names %r, which is no page of the guide" % (context, topic))
    if fixed == strings:
        return
    with open(chm, "rb") as f:
        container = Container(f.read())
    container.append_uncompressed("/#STRINGS", bytes(fixed))
    with open(chm, "wb") as f:
        f.write(container.data)
    check = extracted(chm, ["#STRINGS"])["#STRINGS"]
    if check != bytes(fixed):
        fail("the rewritten context map does not read back")


# --- outputs ---------------------------------------------------------------------

def publish(work, chm, output_chm, output_folder, pages):
    temporary = output_chm + ".tmp"
    shutil.copyfile(chm, temporary)
    os.replace(temporary, output_chm)
    # The browser's copy: the pages, the stylesheet and the pictures.
    shutil.rmtree(output_folder, ignore_errors=True)
    os.makedirs(output_folder)
    for name in sorted(os.listdir(work)):
        if name.endswith((".html", ".css", ".png")):
            shutil.copyfile(os.path.join(work, name), os.path.join(output_folder, name))


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    sources, images, work, output_chm, output_folder = sys.argv[1:]
    pages = stage(sources, images, work)
    chm = compile_chm(work)
    fix_context_map(chm, work, pages)
    publish(work, chm, output_chm, output_folder, pages)


if __name__ == "__main__":
    main()
