#pragma once
// Element, attribute and section names of the exchange document, as it spells them.

#include <array>

namespace vindeleo::xml {

inline constexpr const char* kServicio = "SERVICIO";
inline constexpr const char* kBloqueDatos = "BLOQUE_DATOS";
inline constexpr const char* kGrupoDatos = "grupo_datos";
inline constexpr const char* kDato = "dato";
inline constexpr const char* kSeq = "seq";
inline constexpr const char* kRegistros = "registros";
inline constexpr const char* kNombreDato = "nombre_dato";
inline constexpr const char* kDataBlockPath = "/SERVICIO/BLOQUE_DATOS";
inline constexpr const char* kServicioPath = "/SERVICIO";

// Sections read by the import.
inline constexpr const char* kMaterias = "MATERIAS";
inline constexpr const char* kActividades = "ACTIVIDADES";
inline constexpr const char* kEmpleados = "EMPLEADOS";
inline constexpr const char* kDependencias = "DEPENDENCIAS";
inline constexpr const char* kCursosDelCentro = "CURSOS_DEL_CENTRO";
inline constexpr const char* kUnidades = "UNIDADES";
inline constexpr const char* kJornadasEscolares = "JORNADAS_ESCOLARES";
inline constexpr const char* kTramosHorarios = "TRAMOS_HORARIOS";

}  // namespace vindeleo::xml

// The result document of the export.
namespace vindeleo::xml {

// The new envelope and its attributes, in the order they are set.
inline constexpr const char* kModulo = "modulo";
inline constexpr const char* kTipo = "tipo";
inline constexpr const char* kAutor = "autor";
inline constexpr const char* kFecha = "fecha";
inline constexpr const char* kModuloValue = "HORARIOS";
inline constexpr const char* kTipoValue = "I";
inline constexpr const char* kAutorValue = "HORARIOS";

// The header section and the section of regular timetables.
inline constexpr const char* kAnnoAcademico = "ANNO_ACADEMICO";
inline constexpr const char* kCAnno = "C_ANNO";
inline constexpr const char* kHorariosRegulares = "HORARIOS_REGULARES";
inline constexpr const char* kTeacherGroupPrefix = "HORARIO_REGULAR_PROFESOR_";
inline constexpr const char* kLessonGroupPrefix = "ACTIVIDAD_";

// The values of a teacher group, then the eleven values of a lesson group in
// the order they are written.
inline constexpr const char* kXEmpleado = "X_EMPLEADO";
inline constexpr const char* kFTomapos = "F_TOMAPOS";
inline constexpr const char* kNDiasemana = "N_DIASEMANA";
inline constexpr const char* kXTramo = "X_TRAMO";
inline constexpr const char* kXDependencia = "X_DEPENDENCIA";
inline constexpr const char* kXUnidad = "X_UNIDAD";
inline constexpr const char* kXOfertamatrig = "X_OFERTAMATRIG";
inline constexpr const char* kXMateriaomg = "X_MATERIAOMG";
inline constexpr const char* kFInicio = "F_INICIO";
inline constexpr const char* kFFin = "F_FIN";
inline constexpr const char* kNHorini = "N_HORINI";
inline constexpr const char* kNHorfin = "N_HORFIN";
inline constexpr const char* kXActividad = "X_ACTIVIDAD";

// The result document lies beside the chosen one, under its name with this in front.
inline constexpr const char* kResultPrefix = "ResultadoTuvane";

}  // namespace vindeleo::xml

// The system's code page as a document declares its encoding: the name under
// which the document layer's own converter is registered with libxml2, and the
// other names that reach the same converter (those that iconv knows it by, and
// the x-cp1252 of some older programs).
namespace vindeleo::xml {

inline constexpr const char* kWindows1252 = "windows-1252";
inline constexpr std::array<const char*, 3> kWindows1252Aliases = {"cp1252", "ms-ansi", "x-cp1252"};

}  // namespace vindeleo::xml
