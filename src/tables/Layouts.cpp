#include "tables/Layouts.h"

namespace vindeleo::layouts {

namespace {

FieldDef Character(const char* name, int width) { return {name, FieldType::Character, width}; }
FieldDef Integer(const char* name) { return {name, FieldType::Integer, 0}; }
FieldDef Float(const char* name) { return {name, FieldType::Float, 0}; }
FieldDef Logical(const char* name) { return {name, FieldType::Logical, 0}; }

// Courses and groups begin with the same four fields.
std::vector<FieldDef> CourseFields() {
    return {Character("ABREV", 10), Character("TURNO", 1), Character("NIVEL", 5), Character("CURSO", 3)};
}

// The day-and-hour grid and the list of all time slots share nine fields.
std::vector<FieldDef> SlotFields() {
    return {Character("DIHO", 10),     Character("CODDIHO", 10),  Character("DIA", 20),
            Character("TEXTODIA", 20), Character("HORA", 8),      Character("TEXTOHOR", 15),
            Character("HORADESDE", 8), Character("HORAHASTA", 8), Character("MINUTOS", 8)};
}

std::vector<FieldDef> Followed(std::vector<FieldDef> first, std::initializer_list<FieldDef> rest) {
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

}  // namespace

const TableLayout& Asignomt() {
    static const TableLayout layout{tables::kAsignomt,
                                    {Character("COD", 10), Character("CODLARGO", 10), Character("NOMBRE", 80),
                                     Character("MATERIA", 8), Character("CODTAREA", 12), Logical("ESTAREA")},
                                    {}};
    return layout;
}

const TableLayout& Proft() {
    static const TableLayout layout{tables::kProft,
                                    {Character("ABREV", 10), Character("NOMBRE", 80), Character("DEPART", 40),
                                     Integer("DNI"), Character("X_EMPLEADO", 10), Character("F_TOMAPOS", 10)},
                                    {}};
    return layout;
}

const TableLayout& Aulat() {
    static const TableLayout layout{tables::kAulat,
                                    {Character("ABREV", 10), Character("NOMBRE", 80), Character("EDIFICIO", 1),
                                     Integer("MAXALUM"), Character("DEPCENTRO", 10)},
                                    {}};
    return layout;
}

const TableLayout& Cursost() {
    static const TableLayout layout{
        tables::kCursost, Followed(CourseFields(), {Character("CLAVE", 10), Character("ESTUD", 80)}), {}};
    return layout;
}

const TableLayout& Grupost() {
    static const TableLayout layout{tables::kGrupost,
                                    Followed(CourseFields(), {Character("GRUPO", 2), Character("CLAVE", 10),
                                                              Character("CLAVECURSO", 10), Character("DESCRIP", 80)}),
                                    {}};
    return layout;
}

const TableLayout& Asigt() {
    static const TableLayout layout{tables::kAsigt,
                                    {Character("CASIG", 10), Character("CPROF", 10), Character("CGRUP", 10),
                                     Character("CAULA", 10), Character("TURNO", 1), Character("NIVEL", 5),
                                     Character("CURSO", 3), Character("GRUPO", 2), Float("HORAS"),
                                     Character("SESIONES", 20), Character("NCONEX", 4), Character("CLAVE", 10),
                                     Character("CLAVECURSO", 10), Character("CTAREA", 10)},
                                    {}};
    return layout;
}

const TableLayout& Diashorast() {
    static const TableLayout layout{tables::kDiashorast, SlotFields(), {}};
    return layout;
}

const TableLayout& Diashorast2() {
    // The only index that a step creates: ascending, not unique, on ORDEN.
    static const TableLayout layout{tables::kDiashorast2, Followed(SlotFields(), {Integer("ORDEN")}), {{"ORDEN", "ORDEN"}}};
    return layout;
}

const TableLayout& Periodos() {
    static const TableLayout layout{tables::kPeriodos,
                                    {Character("CJORNADA", 10), Character("JORNADA", 40), Character("FECINI", 10),
                                     Character("FECFIN", 10)},
                                    {}};
    return layout;
}

const TableLayout& Nivelex() {
    static const TableLayout layout{
        tables::kNivelex, {Integer("X_OFERTAMATRIG"), Character("NIVEL_ABREV", 10), Character("ESTUDIO", 80)}, {}};
    return layout;
}

const TableLayout& Soluc() {
    static const TableLayout layout{tables::kSoluc,
                                    {Character("PROF", 10), Integer("DIA"), Integer("HORA"), Character("ASIG", 10),
                                     Character("CODGRUPO", 10), Character("TAREA", 10), Character("AULA", 10)},
                                    {}};
    return layout;
}

}  // namespace vindeleo::layouts
