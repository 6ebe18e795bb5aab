#pragma once
// The messages of the table layer, in Windows-1252 (\xE1 is á, \xE9 é, \xED í,
// \xF3 ó, \xFA ú, \xF1 ñ, \xBA º). Each %s takes the next argument of Format.

namespace vindeleo::tables::msg {

// The table's file, the reason.
inline constexpr const char* kCannotOpen = "No se puede abrir la tabla %s: %s";
inline constexpr const char* kCannotCreate = "No se puede crear la tabla %s: %s";
inline constexpr const char* kCannotWrite = "No se puede escribir la tabla %s: %s";

// Reasons.
inline constexpr const char* kNoSuchFile = "no existe el archivo";
inline constexpr const char* kNoSuchDirectory = "no existe la carpeta";
inline constexpr const char* kInUse = "otro programa la tiene abierta";
inline constexpr const char* kIndexInUse = "otro programa lo tiene abierto";  // an index
inline constexpr const char* kAccessDenied = "permiso denegado";
inline constexpr const char* kNotPlainFile = "no es un archivo normal, sino un enlace o un archivo especial";
inline constexpr const char* kDiskFull = "no queda espacio en el disco";
inline constexpr const char* kDiskError = "error de lectura o escritura en el disco";
inline constexpr const char* kUnknownFailure = "fallo sin causa conocida";
inline constexpr const char* kReadOnlyDisk = "el disco es de solo lectura";
// The system's error number.
inline constexpr const char* kSystemError = "error del sistema n.\xBA %s";

// The file, what is wrong with it.
inline constexpr const char* kDamaged = "El archivo %s est\xE1 da\xF1""ado o incompleto (%s)";
// Details of a damaged file.
inline constexpr const char* kHeaderCut = "la cabecera est\xE1 incompleta";
inline constexpr const char* kNoFieldTerminator = "la lista de campos no termina donde indica la cabecera";
// The field's name.
inline constexpr const char* kBadFieldWidth = "el campo '%s' tiene una anchura no v\xE1lida";
inline constexpr const char* kNamelessField = "hay un campo sin nombre";
inline constexpr const char* kNoFields = "la tabla no tiene campos";
// Record length in the header, sum of the field widths plus the deletion flag.
inline constexpr const char* kRecordLengthMismatch =
    "la longitud de registro de la cabecera (%s) no coincide con la de los campos (%s)";
// Records announced, records present.
inline constexpr const char* kMissingRecords =
    "la cabecera anuncia m\xE1s registros (%s) de los que contiene el archivo (%s)";

// The file, the version byte in hexadecimal.
inline constexpr const char* kUnknownFormat = "El archivo %s no es una tabla dBase reconocida (versi\xF3n %s)";

// The table's name.
inline constexpr const char* kNotOpen = "La tabla %s no est\xE1 abierta";
inline constexpr const char* kStillOpen = "La tabla %s est\xE1 abierta; ci\xE9rrela antes";
inline constexpr const char* kNoRecordBeingAdded = "La tabla %s no tiene ning\xFAn registro en curso de alta";
// The field's number (from 1), the table's name: a field handle of another
// table, or of an earlier opening of this one.
inline constexpr const char* kFieldOfAnotherOpening = "El campo n.\xBA %s no es de la tabla %s tal como est\xE1 abierta";

// The table's name, what is wrong with its definition.
inline constexpr const char* kBadLayout = "La definici\xF3n de la tabla %s no es v\xE1lida: %s";
// The field's name.
inline constexpr const char* kBadFieldName = "el nombre de campo '%s' no es v\xE1lido";
inline constexpr const char* kDuplicateField = "el campo '%s' est\xE1 repetido";
inline constexpr const char* kBadCharacterWidth = "el campo '%s' debe tener de 1 a 254 caracteres";
inline constexpr const char* kRecordTooLong = "los registros superan la longitud m\xE1xima";
// The index's name, the field's name.
inline constexpr const char* kUnknownIndexField = "el \xEDndice '%s' usa el campo '%s', que la tabla no tiene";

// The index's name.
inline constexpr const char* kBadIndexName = "el nombre de \xEDndice '%s' no es v\xE1lido";
inline constexpr const char* kDuplicateIndex = "el \xEDndice '%s' est\xE1 repetido";
// The index's name, the field's name.
inline constexpr const char* kIndexFieldNotNumeric = "el \xEDndice '%s' usa el campo '%s', que no es num\xE9rico";
inline constexpr const char* kIndexesNeedDBase4 = "solo las tablas dBase IV llevan \xEDndices";
inline constexpr const char* kTooManyIndexes = "tiene m\xE1s de 47 \xEDndices";

// The index file, the reason.
inline constexpr const char* kCannotReadIndex = "No se puede leer el \xEDndice %s: %s";
// The index file, what is wrong with it.
inline constexpr const char* kIndexDamaged = "El \xEDndice %s est\xE1 da\xF1""ado o no corresponde a la tabla (%s)";
// Details of a damaged index.
inline constexpr const char* kIndexBadBlockSize = "el tama\xF1o de bloque no es v\xE1lido";
// The tag's number, from 1.
inline constexpr const char* kIndexBadTag = "la etiqueta %s no es v\xE1lida";
// The tag's name.
inline constexpr const char* kIndexBadTree = "el \xE1rbol de la etiqueta %s est\xE1 mal formado";
inline constexpr const char* kIndexBadKey = "la etiqueta %s tiene una clave que no es un n\xFAmero";
inline constexpr const char* kIndexOutOfOrder = "las claves de la etiqueta %s no est\xE1n en orden";
inline constexpr const char* kIndexRecordsMismatch = "la etiqueta %s no recoge cada registro de la tabla una vez";
// The record's number, the tag's name.
inline constexpr const char* kIndexKeyMismatch = "la clave del registro %s en la etiqueta %s no es la de su campo";

// The table's name, the reason.
inline constexpr const char* kIndexNotKept =
    "No se pueden a\xF1""adir registros a la tabla %s, porque su \xEDndice no se podr\xED""a mantener al d\xED""a: %s";
// Reasons. The tag's name, the index file.
inline constexpr const char* kTagNotKept = "la etiqueta %s del \xEDndice %s no es ascendente sobre un campo num\xE9rico";
// The index file.
inline constexpr const char* kDBase7IndexNotKept = "el \xEDndice %s es de dBase 7";
// The value.
inline constexpr const char* kKeyOutOfRange = "El valor %s no cabe en una clave de \xEDndice";

// The value as text, the field's name.
inline constexpr const char* kValueTooWide = "El valor %s no cabe en el campo '%s'";
// The text.
inline constexpr const char* kNotANumber = "'%s' no es un valor num\xE9rico v\xE1lido";
inline constexpr const char* kNotALogical = "'%s' no es un valor l\xF3gico v\xE1lido";
inline constexpr const char* kNotADate = "'%s' no es una fecha v\xE1lida (AAAAMMDD)";
// The field's name, its type letter.
inline constexpr const char* kCannotRead = "El campo '%s' (tipo %s) no se puede leer de esta forma";
inline constexpr const char* kCannotWriteField = "El campo '%s' (tipo %s) no admite este valor";

}  // namespace vindeleo::tables::msg
