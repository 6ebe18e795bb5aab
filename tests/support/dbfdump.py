# Prints a dBase table as the independent reader dbfread sees it: first the
# fields (F<TAB>name<TAB>type<TAB>length<TAB>decimals), then one line per record
# (R), then one line per value (V<TAB>name<TAB>repr-free text), bytes of texts
# kept in Windows-1252 by writing them hex-encoded.
import sys
from dbfread import DBF

table = DBF(sys.argv[1], encoding='cp1252', char_decode_errors='strict', ignore_missing_memofile=True)
out = sys.stdout
for f in table.fields:
    out.write('F\t%s\t%s\t%d\t%d\n' % (f.name, f.type, f.length, f.decimal_count))
for record in table:
    out.write('R\n')
    for name, value in record.items():
        if isinstance(value, str):
            text = value.encode('cp1252').hex()
        else:
            text = str(value).encode('cp1252').hex()
        out.write('V\t%s\t%s\n' % (name, text))
