#pragma once
// The seven conversion steps of the import run, in the order the run calls them.
// Each reads its sections of the exchange document and rebuilds its tables in
// the context's table directory.

#include <filesystem>

namespace vindeleo {

class ExchangeDocument;
class RunUi;
struct ModuleState;

struct ImportContext {
    const ExchangeDocument& Document;
    // Where the steps write their tables (the run's staging directory) and read
    // what earlier steps wrote.
    std::filesystem::path TablesDirectory;
    // Where the level catalogue NIVELEX.DBF lies.
    std::filesystem::path ProgramDirectory;
    // UsedCodes, SeenNames, XmlFileName and TemplateCode.
    ModuleState& State;
    // For the template chooser.
    RunUi& Ui;
};

void ImportSubjects(ImportContext& context);
void ImportActivities(ImportContext& context);
void ImportTeachers(ImportContext& context);
void ImportRooms(ImportContext& context);
void ImportCoursesAndGroups(ImportContext& context);
void ImportAssignments(ImportContext& context);
void ImportTimeSlots(ImportContext& context);

}  // namespace vindeleo
