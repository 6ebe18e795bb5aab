#pragma once
// The regular timetable of every teacher, written into the result document:
// one teacher group per PROFT record, one lesson group per lesson of that
// teacher in SOLUC, each lesson's codes translated back into the keys of the
// administration system.

#include <cstdint>
#include <string>

#include "document/ExchangeDocument.h"

namespace vindeleo {

class Table;

// The open tables that the teacher timetables read.
struct TimetableTables {
    Table& proft;
    Table& soluc;
    Table& asigt;
    Table& asignomt;
    Table& diashorast;
    Table& grupost;
};

// The validity dates of every lesson: FECINI and FECFIN of the first periods record.
struct PeriodDates {
    std::string start;
    std::string end;
};

// Appends one teacher group per PROFT record, in table order, to `section`.
// Lookups give the first matching record in table order; they are built once,
// so the work grows with the size of the tables, not with their product.
void WriteTeacherTimetables(ExchangeDocument& document, Node section, const TimetableTables& tables,
                            const PeriodDates& period);

}  // namespace vindeleo
