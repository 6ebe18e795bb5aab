#pragma once
// Every text that the system shows to the user, in Windows-1252 (the bytes
// written as escapes are accented letters: \xD3 is Ó, \xE1 is á).

namespace vindeleo::msg {

inline constexpr const char* kNoFile = "No existe archivo";
inline constexpr const char* kNoCatalogue =
    "ATENCI\xD3N - NIVELEX.DBF No encontrado - Reinstale VINDELEO";
inline constexpr const char* kFinished = "Proceso finalizado";
inline constexpr const char* kNoPeriods =
    "ATENCI\xD3N - PERIODOS.DBF No encontrado - Importe de nuevo XML de SIRAVEL.";
// printf-style: line, column.
inline constexpr const char* kXmlNotValid =
    "ATENCI\xD3N - El archivo XML no es v\xE1lido (l\xEDnea %d, columna %d)";
// printf-style: line, column.
inline constexpr const char* kXmlEntitiesTooLarge =
    "ATENCI\xD3N - Las entidades del archivo XML se expanden a un texto demasiado grande (l\xEDnea %d, columna %d)";
// printf-style: line, column.
inline constexpr const char* kXmlUnreadEntity =
    "ATENCI\xD3N - El archivo XML usa una entidad que no se lee: externa, no declarada en \xE9l o de par\xE1metro "
    "(l\xEDnea %d, columna %d)";
// printf-style: the encoding the document declares.
inline constexpr const char* kXmlUnsupportedEncoding =
    "ATENCI\xD3N - El archivo XML est\xE1 codificado en '%s', una codificaci\xF3n que Vindeleo no puede leer";
inline constexpr const char* kNotExchangeDocument =
    "ATENCI\xD3N - El archivo no es un documento de intercambio de Siravel";
// printf-style: the text that is not a number.
inline constexpr const char* kNotAnInteger = "'%s' no es un valor entero v\xE1lido";
// printf-style: the field name.
inline constexpr const char* kFieldNotFound = "No se encuentra el campo '%s'";
// printf-style: the file's full path.
inline constexpr const char* kCannotWrite = "Unable to write to %s";
// printf-style: the document's full path.
inline constexpr const char* kCannotReadDocument = "No se puede leer el archivo %s";
// printf-style: the working tables directory.
inline constexpr const char* kNoWorkingDirectory = "No existe el directorio de trabajo %s";
// printf-style: the working tables directory, the system's reason.
inline constexpr const char* kCannotReplaceTables =
    "No se han podido sustituir las tablas de %s (%s); las tablas anteriores se conservan";

// printf-style: the code for which no ten-character code is left.
inline constexpr const char* kNoFreeCode =
    "No quedan c\xF3" "digos libres de diez caracteres para '%s'";

// printf-style: the help file's full path.
inline constexpr const char* kNoHelpFile = "No se encuentra el archivo de ayuda %s";

// The copies of the tables kept by every import, and their restore.
// printf-style: the copies folder.
inline constexpr const char* kNoCopies = "No hay copias de las tablas en %s";
// printf-style: label, date and time, document's file name, number of tables.
inline constexpr const char* kCopyLine = "%s  %s  %s  %s tablas";
// printf-style: the label of the copy that was put back (the document column
// of a copy made by a restore).
inline constexpr const char* kCopyOfRestore = "restauraci\xF3n de %s";
// printf-style: label, what is wrong with it.
inline constexpr const char* kCopyLineDamaged = "%s  COPIA NO UTILIZABLE: %s";
// printf-style: the label asked for, the copies folder.
inline constexpr const char* kUnknownCopy = "ATENCI\xD3N - No existe la copia '%s' en %s";
// printf-style: label, what is wrong with it.
inline constexpr const char* kCopyNotWhole =
    "ATENCI\xD3N - La copia %s no se puede restaurar: %s. Las tablas no se han tocado";
// printf-style: the label put back, the label of the copy of the tables it replaced.
inline constexpr const char* kRestored =
    "Restaurada la copia %s. Las tablas que sustituye se guardan en la copia %s";
// What can be wrong with a copy; printf-style: a file's name.
inline constexpr const char* kCopyNoDescription = "falta su descripci\xF3n COPIA.TXT o no se puede leer";
inline constexpr const char* kCopyBadDescription = "su descripci\xF3n COPIA.TXT est\xE1 da\xF1" "ada";
inline constexpr const char* kCopyMissingFile = "falta el archivo %s";
inline constexpr const char* kCopyFileChanged = "el archivo %s est\xE1 da\xF1" "ado o incompleto";

// Texts of the desktop windows.
inline constexpr const char* kApplicationTitle = "Vindeleo";
inline constexpr const char* kMainCaption = "Exportar e importar datos entre Morvalen y Siravel";
inline constexpr const char* kToMorvalen = "Transformar datos desde Siravel hacia Morvalen ";  // the trailing blank belongs to it
inline constexpr const char* kToSiravel = "Transformar datos desde Morvalen hacia Siravel";
inline constexpr const char* kVersionLabel = "Vindeleo para VL09 V-1.0";
inline constexpr const char* kAccept = "Aceptar";
inline constexpr const char* kExit = "&Salir";
inline constexpr const char* kHelpButton = "F1 Ayuda";
inline constexpr const char* kFileDialogTitle = "Archivo XML";
inline constexpr const char* kFileDialogFilter = "*.xml";
inline constexpr const char* kFileDialogSuffix = "xml";
inline constexpr const char* kChooserCaption = "Plantillas Horarias";
inline constexpr const char* kChooserPrompt =
    "Seleccione la Plantilla Horaria que quiere aplicar a su Horario en Morvalen.";
inline constexpr const char* kChooserHours = "HORAS";
inline constexpr const char* kChooserNone = "-";
inline constexpr const char* kContinue = "Continuar";

}  // namespace vindeleo::msg
