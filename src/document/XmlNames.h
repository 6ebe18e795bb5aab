#pragma once
// Element, attribute and section names of the exchange document, as it spells them.

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
