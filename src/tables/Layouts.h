#pragma once
// Every table layout of the working tables, once.

#include "tables/TableLayout.h"

namespace vindeleo::layouts {

const TableLayout& Asignomt();
const TableLayout& Proft();
const TableLayout& Aulat();
const TableLayout& Cursost();
const TableLayout& Grupost();
const TableLayout& Asigt();
const TableLayout& Diashorast();
const TableLayout& Diashorast2();
const TableLayout& Periodos();
// The level catalogue installed beside the program (written as a dBase 7 table).
const TableLayout& Nivelex();
// The solution table as far as the export reads it. The timetable program
// writes it; the system never creates it (the demo's generator and the tests do).
const TableLayout& Soluc();

}  // namespace vindeleo::layouts

namespace vindeleo::tables {
// Table names as the system spells them.
inline constexpr const char* kAsignomt = "ASIGNOMT";
inline constexpr const char* kProft = "PROFT";
inline constexpr const char* kAulat = "AULAT";
inline constexpr const char* kCursost = "CURSOST";
inline constexpr const char* kGrupost = "GRUPOST";
inline constexpr const char* kAsigt = "ASIGT";
inline constexpr const char* kDiashorast = "DIASHORAST";
inline constexpr const char* kDiashorast2 = "DIASHORAST2";
inline constexpr const char* kPeriodos = "PERIODOS";
inline constexpr const char* kSoluc = "SOLUC";
inline constexpr const char* kJornadas = "JORNADAS";
inline constexpr const char* kNivelex = "NIVELEX";
}  // namespace vindeleo::tables
