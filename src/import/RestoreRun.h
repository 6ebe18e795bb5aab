#pragma once
// Bringing back the tables of before an import: the copies that every import
// keeps of the tables it replaced (see tables/TableCopies.h), listed and put
// back.

#include <string>

namespace vindeleo {

struct ModuleState;
class RunUi;

// Tells the copies kept in the working directory (ListCopyRows, as the copies
// window lists them), newest first, one line each:
// the label, the date and time, the document's file name and the number of
// tables; a copy that cannot be put back says why.
void RunListCopies(ModuleState& state, RunUi& ui);

// Puts back the tables of the copy `label` through the journalled commit: the
// working directory then holds exactly the copy's files among those that an
// import replaces or takes away, and the files they replace become a new copy.
// Files that imports never touch stay as they are. An unknown label or a copy
// that is not whole is told with a message and nothing is touched; a table
// that another program holds raises vindeleo::Error, as in the import.
void RunRestore(ModuleState& state, RunUi& ui, const std::string& label);

}  // namespace vindeleo
