#pragma once
// The seven conversion steps of the import run, in the order the run calls them.
// Each reads its sections of the exchange document and rebuilds its tables in
// the context's table directory. The import and its check (ImportCheck.h) ask
// for the document and run the steps through the same two functions below.

#include <filesystem>
#include <string>
#include <vector>

#include "platform/RegionalTime.h"
#include "text/CodeList.h"

namespace vindeleo {

class ExchangeDocument;
class ImportReport;
class RunUi;
struct ModuleState;

struct ImportContext {
    const ExchangeDocument& Document;
    // Where the steps write their tables (the run's staging directory) and read
    // what earlier steps wrote.
    std::filesystem::path TablesDirectory;
    // Where the level catalogue NIVELEX.DBF lies.
    std::filesystem::path ProgramDirectory;
    // XmlFileName, DocumentFile and TemplateCode.
    ModuleState& State;
    // For the template chooser.
    RunUi& Ui;
    // The run's moment, which dates the tables that the steps write (each run
    // gives its own).
    RunMoment Moment = RunMoment::Now();
    // What the steps tell the check of an import; none in an import.
    ImportReport* Report = nullptr;
    // The subjects step's codes and names, which the activities step reads
    // and then lets go. Each run makes a context of its own, so each starts
    // with both lists empty.
    CodeList UsedCodes{CaseRule::Sensitive};
    CodeList SeenNames{CaseRule::Sensitive};
};

// Asks for the document and checks it as every import does: the document
// exists, the level catalogue lies beside the program, the file loads as an
// exchange document. True with the document in state.Document; otherwise the
// run's stop has been told through ui. A file that cannot be read raises
// vindeleo::Error.
bool PrepareImport(ModuleState& state, RunUi& ui);

// The seven steps in their order.
void RunImportSteps(ImportContext& context);

// The tables that the seven steps rebuild, in the order they write them.
const std::vector<std::string>& RebuiltTables();
// The files that an import replaces (the .DBF and .MDX of each of those
// tables) and the file that it takes away without re-creating it.
const std::vector<std::string>& RebuiltTableFiles();
const std::vector<std::string>& ObsoleteFiles();

void ImportSubjects(ImportContext& context);
void ImportActivities(ImportContext& context);
void ImportTeachers(ImportContext& context);
void ImportRooms(ImportContext& context);
void ImportCoursesAndGroups(ImportContext& context);
void ImportAssignments(ImportContext& context);
void ImportTimeSlots(ImportContext& context);

}  // namespace vindeleo
