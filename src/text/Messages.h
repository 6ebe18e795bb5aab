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
    "ATENCI\xD3N - El archivo XML remite a otro archivo o a un texto que no define (una entidad externa, de "
    "par\xE1metro o sin declarar), y Vindeleo no lo lee (l\xEDnea %d, columna %d)";
// printf-style: line, column.
inline constexpr const char* kXmlTooManyAttributes =
    "ATENCI\xD3N - Un elemento del archivo XML tiene m\xE1s de mil atributos: no es un documento de intercambio "
    "(l\xEDnea %d, columna %d)";
// printf-style: the encoding the document declares.
inline constexpr const char* kXmlUnsupportedEncoding =
    "ATENCI\xD3N - El archivo XML est\xE1 codificado en '%s', una codificaci\xF3n que Vindeleo no puede leer";
inline constexpr const char* kNotExchangeDocument =
    "ATENCI\xD3N - El archivo no es un documento de intercambio de Siravel. Elija el documento que Siravel "
    "exporta para el programa de horarios";
// printf-style: the text that is not a number.
inline constexpr const char* kNotAnInteger = "'%s' no es un valor entero v\xE1lido";
// printf-style: the field name.
inline constexpr const char* kFieldNotFound = "No se encuentra el campo '%s'";
// printf-style: the file's full path.
inline constexpr const char* kCannotWrite = "Unable to write to %s";
// printf-style: the document's full path.
inline constexpr const char* kCannotReadDocument = "No se puede leer el archivo %s";
// printf-style: the working tables directory.
inline constexpr const char* kNoWorkingDirectory =
    "No existe la carpeta de trabajo %s: abra Morvalen una vez para que la cree y vuelva a intentarlo";
// printf-style: the working tables directory, the system's reason.
inline constexpr const char* kCannotReplaceTables =
    "No se han podido sustituir las tablas de %s (%s); las tablas anteriores se conservan. Cierre Morvalen y "
    "vuelva a intentarlo";
// printf-style: the working tables directory, the system's reason, the tables
// whose old files are not back yet ("PROFT, AULAST").
inline constexpr const char* kTablesNotPutBack =
    "No se han podido sustituir las tablas de %s (%s), y todav\xED" "a no se han podido volver a poner como estaban "
    "estas tablas: %s. Vindeleo las volver\xE1 a poner la pr\xF3xima vez que importe, exporte o restaure; hasta "
    "entonces, no use esas tablas en Morvalen";
// printf-style: the working tables directory, the system's reason, the tables
// whose old files are not back (the undo could not even be noted down).
inline constexpr const char* kTablesNotPutBackNewFollow =
    "No se han podido sustituir las tablas de %s (%s), ni volver a poner como estaban estas tablas: %s. Vindeleo "
    "terminar\xE1 de poner las tablas nuevas la pr\xF3xima vez que importe, exporte o restaure; hasta entonces, "
    "no use esas tablas en Morvalen";
// printf-style: the working tables directory, the tables whose old files are
// still not back, the system's reason.
inline constexpr const char* kTablesStillNotPutBack =
    "Todav\xED" "a no se han podido volver a poner como estaban las tablas de %s: %s (%s). Vindeleo lo intentar\xE1 "
    "de nuevo la pr\xF3xima vez que importe, exporte o restaure; hasta entonces, no use esas tablas en Morvalen";
// printf-style: the working tables directory, the system's reason, the label
// of the copy that holds the tables replaced.
inline constexpr const char* kTablesInPlaceUnflushed =
    "Las tablas nuevas ya est\xE1n en %s, pero el sistema no ha confirmado que se hayan guardado en el disco (%s). "
    "Compruebe el disco; las tablas anteriores est\xE1n en la copia %s";

// printf-style: the code for which no ten-character code is left.
inline constexpr const char* kNoFreeCode =
    "No quedan c\xF3" "digos libres de diez caracteres para '%s'. Cambie en Siravel algunos de los nombres que "
    "empiezan igual y vuelva a importar";

// printf-style: the help file's full path.
inline constexpr const char* kNoHelpFile = "No se encuentra el archivo de ayuda %s";

// The copies of the tables kept by every import, and their restore.
// printf-style: the copies folder.
inline constexpr const char* kNoCopies = "No hay copias de las tablas en %s";
// printf-style: label, date and time, document's file name, number of tables
// (kCopyLineOneTable when the copy holds one table).
inline constexpr const char* kCopyLine = "%s  %s  %s  %s tablas";
inline constexpr const char* kCopyLineOneTable = "%s  %s  %s  %s tabla";
// printf-style: the label of the copy that was put back (the document column
// of a copy made by a restore).
inline constexpr const char* kCopyOfRestore = "restauraci\xF3n de %s";
// printf-style: the copies folder.
inline constexpr const char* kCopiesNotAFolder =
    "No se pueden guardar ni leer las copias de las tablas en %s: no es una carpeta, sino un archivo, un enlace u "
    "otra cosa. Qu\xEDtelo o c\xE1mbielo de nombre y repita; las tablas no se han tocado";
// printf-style: the copies folder (or the copy's folder), why it cannot be read.
inline constexpr const char* kCannotReadCopies =
    "No se pueden leer las copias de las tablas en %s: %s. Las tablas no se han tocado";
// The first lines of the listing, for what stopped runs left unfinished.
inline constexpr const char* kUnfinishedImport =
    "importaci\xF3n interrumpida: se completar\xE1 al empezar la pr\xF3xima importaci\xF3n, exportaci\xF3n o "
    "restauraci\xF3n";
inline constexpr const char* kFailedImportToPutBack =
    "importaci\xF3n fallida: sus tablas anteriores se volver\xE1n a poner al empezar la pr\xF3xima "
    "importaci\xF3n, exportaci\xF3n o restauraci\xF3n";
// printf-style: label, what is wrong with it.
inline constexpr const char* kCopyLineDamaged = "%s  COPIA NO UTILIZABLE: %s";
// printf-style: the label asked for, the copies folder.
inline constexpr const char* kUnknownCopy =
    "ATENCI\xD3N - No existe la copia '%s' en %s. Las tablas no se han tocado; elija una copia de la lista de copias";
// printf-style: label, what is wrong with it.
inline constexpr const char* kCopyNotWhole =
    "ATENCI\xD3N - La copia %s no se puede restaurar: %s. Las tablas no se han tocado; elija otra copia de la lista";
// printf-style: the label put back, the label of the copy of the tables it replaced.
inline constexpr const char* kRestored =
    "Restaurada la copia %s. Las tablas que sustituye se guardan en la copia %s";
// What can be wrong with a copy; printf-style: a file's name.
inline constexpr const char* kCopyNoDescription = "falta su descripci\xF3n COPIA.TXT o no se puede leer";
inline constexpr const char* kCopyBadDescription = "su descripci\xF3n COPIA.TXT est\xE1 da\xF1" "ada";
inline constexpr const char* kCopyMissingFile = "falta el archivo %s";
inline constexpr const char* kCopyFileChanged = "el archivo %s est\xE1 da\xF1" "ado o incompleto";
inline constexpr const char* kCopyDescriptionCut = "su descripci\xF3n COPIA.TXT est\xE1 incompleta";
inline constexpr const char* kCopyFileTwice = "su descripci\xF3n COPIA.TXT nombra dos veces el archivo %s";

// The check of an import (vindeleo-cli check): its report. The report indents
// the lines of each part and the notes on a table.
// printf-style: the document's full path.
inline constexpr const char* kCheckHeading =
    "Comprobaci\xF3n de la importaci\xF3n de %s (no se ha cambiado ninguna tabla)";
// printf-style: the working tables directory.
inline constexpr const char* kCheckTables =
    "Registros que tiene ahora cada tabla de %s, y los que tendr\xE1 despu\xE9s de importar:";
// printf-style: table, records now, records after.
inline constexpr const char* kCheckTableLine = "%s %s -> %s";
inline constexpr const char* kCheckNoTable = "no existe";
inline constexpr const char* kCheckUnreadable = "ilegible";
inline constexpr const char* kCheckRemoved = "se elimina";
// printf-style: table, why it cannot be read.
inline constexpr const char* kCheckTableFault = "%s: %s";
// printf-style: the table's file, as the line's reason when the folder cannot be searched for it.
inline constexpr const char* kCheckCannotReadTable = "No se puede leer la tabla %s";
// printf-style: table.
inline constexpr const char* kCheckTableHeld =
    "%s: otro programa la tiene abierta, y la importaci\xF3n se parar\xED" "a sin cambiar nada. Cierre Morvalen "
    "antes de importar";
// printf-style: how many.
inline constexpr const char* kCheckCodes = "C\xF3" "digos que cambian o se crean al importar (%d):";
// printf-style: kind, name, code kept, origin.
inline constexpr const char* kCheckCodeLine = "%s '%s': %s (en lugar de %s)";
// printf-style: kind, name, code kept.
inline constexpr const char* kCheckCodeLineNoOrigin = "%s '%s': %s (sin c\xF3" "digo propio)";
inline constexpr const char* kCheckSubject = "Materia";
inline constexpr const char* kCheckActivity = "Actividad";
inline constexpr const char* kCheckTeacher = "Profesor";
inline constexpr const char* kCheckRoom = "Aula";
inline constexpr const char* kCheckGroup = "Grupo";
// printf-style: how many.
inline constexpr const char* kCheckNoAssignment = "Materias que no llegar\xE1n a ning\xFAn grupo (%d):";
// printf-style: row number, subject name, course key, reason.
inline constexpr const char* kCheckNoAssignmentLine = "fila %d, '%s' (curso '%s'): %s";
inline constexpr const char* kCheckTooFewValues = "la fila tiene menos de dos datos";
inline constexpr const char* kCheckBlankName = "el nombre est\xE1 en blanco";
inline constexpr const char* kCheckNoSubjectCode = "la materia no tiene c\xF3" "digo";
inline constexpr const char* kCheckCourseKeyNotANumber = "la clave del curso no es un n\xFAmero";
inline constexpr const char* kCheckCourseWithoutGroups = "el curso no tiene grupos";
// printf-style: how many.
inline constexpr const char* kCheckLevels =
    "Cursos que no est\xE1n en el cat\xE1logo de niveles y reciben el nivel 'Niv' (%d):";
// printf-style: course key, course name.
inline constexpr const char* kCheckLevelLine = "%s '%s'";
// printf-style: course key, course name.
inline constexpr const char* kCheckLevelLineEmpty = "%s '%s' (est\xE1 en el cat\xE1logo, sin nivel)";
// printf-style: template code, template name.
inline constexpr const char* kCheckTemplate = "Plantilla horaria que se aplica: %s (%s)";
// printf-style: template code.
inline constexpr const char* kCheckTemplateNotInDocument =
    "Plantilla horaria que se aplica: '%s', que ninguna fila de JORNADAS_ESCOLARES tiene";
inline constexpr const char* kCheckNoTemplates = "Plantilla horaria que se aplica: ninguna (el documento no trae plantillas)";
inline constexpr const char* kCheckOtherTemplates = "Otras plantillas del documento:";
// printf-style: template code, template name.
inline constexpr const char* kCheckTemplateLine = "%s (%s)";
// printf-style: how many.
inline constexpr const char* kCheckShortRows = "Filas del documento a las que les faltan datos (%d):";
// printf-style: section, row number, values it has.
inline constexpr const char* kCheckRowSkipped =
    "%s, fila %d (datos: %d): no se importa, porque una fila necesita al menos dos datos";
// printf-style: section, row number, values it has, the missing positions
// (kCheckRowMissingOne when one is missing).
inline constexpr const char* kCheckRowMissing =
    "%s, fila %d (datos: %d): faltan los datos de las posiciones %s (la primera es la 0), que se toman vac\xED" "os";
inline constexpr const char* kCheckRowMissingOne =
    "%s, fila %d (datos: %d): falta el dato de la posici\xF3n %s (la primera es la 0), que se toma vac\xED" "o";
// printf-style: how many.
inline constexpr const char* kCheckLostCharacters =
    "Datos con caracteres que las tablas de Morvalen no pueden guardar y que quedan como '?' (%d):";
// printf-style: section, row number, position, the value as it is read, the characters lost.
inline constexpr const char* kCheckLostLine = "%s, fila %d, posici\xF3n %d: '%s' (%s)";
inline constexpr const char* kCheckNone = "ninguno";
inline constexpr const char* kCheckNoneFeminine = "ninguna";
// printf-style: the system's reason.
inline constexpr const char* kCheckNoTemporaryDirectory =
    "No se encuentra la carpeta temporal del sistema para la comprobaci\xF3n: %s";
// printf-style: the temporary directory, the system's reason.
inline constexpr const char* kCheckNoScratch =
    "No se puede crear la carpeta temporal de la comprobaci\xF3n en %s: %s";

// The window of the copies ("vindeleo copias"). printf-style: the copy's date
// and time, its document's file name (or "restauraci�n de ...").
inline constexpr const char* kConfirmRestore =
    "\xBFVolver a poner las tablas de la copia del %s (%s)? Las tablas de ahora se guardan en una copia nueva.";
// printf-style: what is wrong with the copy (its state in the list).
inline constexpr const char* kCopyUnusable = "no utilizable: %s";

// A run or a window's action ended by something other than the system's own
// errors: the lack of memory, and a fault of the program of no known kind.
inline constexpr const char* kOutOfMemory = "No hay memoria suficiente para terminar el trabajo";
inline constexpr const char* kUnexpectedError = "Se ha producido un error inesperado y el trabajo se ha detenido";

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
inline constexpr const char* kCopiesCaption = "Copias de las tablas";
inline constexpr const char* kCopiesHeading = "Copias de las tablas que guarda cada importaci\xF3n";
inline constexpr const char* kCopiesColumnWhen = "Fecha y hora";
inline constexpr const char* kCopiesColumnDocument = "Documento";
inline constexpr const char* kCopiesColumnTables = "Tablas";
inline constexpr const char* kCopiesColumnState = "Estado";
inline constexpr const char* kRestoreButton = "&Restaurar";
inline constexpr const char* kCheckButton = "Re&visar un documento...";
inline constexpr const char* kCloseButton = "&Cerrar";
inline constexpr const char* kReportCaption = "Comprobaci\xF3n de la importaci\xF3n";
inline constexpr const char* kCopyButton = "C&opiar";
inline constexpr const char* kSaveButton = "&Guardar...";
inline constexpr const char* kSaveDialogTitle = "Guardar el informe";
inline constexpr const char* kSaveDialogFilter = "*.txt";
inline constexpr const char* kSaveDialogSuffix = "txt";
inline constexpr const char* kYes = "&S\xED";
inline constexpr const char* kNo = "&No";

}  // namespace vindeleo::msg
