# Prints a dBase table as python3-dbfread reads it: F lines for the fields
# (name, type, length, decimals), an R line per record, and a V line per value
# with its text hex-encoded in Windows-1252.
#
# dbfread parses only the 32-byte field descriptors of dBase III to 5 and
# FoxPro. For a dBase 7 table (version bits 0-2 = 4) this script reads the
# 48-byte descriptors that start at offset 68 itself, following the published
# dBase 7 file structure, and hands them to dbfread; the records are then found
# at the header length and their values decoded by dbfread's own field parser.
import sys
from dbfread import DBF
from dbfread.dbf import DBFField


class AnyLevelDBF(DBF):
    def _read_field_headers(self, infile):
        if self.header.dbversion & 0x07 != 4:
            return super()._read_field_headers(infile)
        infile.seek(68)
        while True:
            first = infile.read(1)
            if first in (b'\r', b''):
                break
            raw = first + infile.read(47)
            classic = bytes(11) + raw[32:33] + bytes(4) + raw[33:35] + bytes(14)
            field = DBFField.unpack(classic)
            field.type = chr(raw[32])
            field.name = raw[:32].split(b'\0')[0].decode('ascii')
            self.field_names.append(field.name)
            self.fields.append(field)


table = AnyLevelDBF(sys.argv[1], encoding='cp1252', char_decode_errors='strict',
                    ignore_missing_memofile=True)
out = sys.stdout
for f in table.fields:
    out.write('F\t%s\t%s\t%d\t%d\n' % (f.name, f.type, f.length, f.decimal_count))
for record in table:
    out.write('R\n')
    for name, value in record.items():
        text = value if isinstance(value, str) else str(value)
        out.write('V\t%s\t%s\n' % (name, text.encode('cp1252').hex()))
