#pragma once
// Shared helpers of the tests: temporary directories, files, commands, the
// independent dBase reader, and a run interface that records what it is asked.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "session/ModuleState.h"
#include "session/RunUi.h"
#include "document/ExchangeDocument.h"
#include "import/ImportSteps.h"
#include "tables/LevelCatalogue.h"

namespace vindeleo::test {

// A fresh directory under the system's temporary directory, removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

struct CommandResult {
    int exitCode = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};
// Runs a shell command; standard output and error captured separately.
CommandResult RunCommand(const std::string& command);

// A table as the independent reader python3-dbfread sees it.
struct DbfField {
    std::string name;
    char type = 0;
    int length = 0;
    int decimals = 0;
};
struct DbfContents {
    std::vector<DbfField> fields;
    // Each record: field name -> value as dbfread gives it, written as text
    // (numbers as Python writes them, None as "None", texts in Windows-1252).
    std::vector<std::map<std::string, std::string>> records;
};
// Reads the file with /usr/bin/python3 and dbfread (encoding cp1252; dBase 7
// field descriptors are handed to dbfread by the script itself); a
// failure of the reader fails the calling test.
DbfContents ReadWithDbfread(const std::filesystem::path& dbf);

// Sets the modification time of a file or a directory.
void SetModificationTime(const std::filesystem::path& path, std::filesystem::file_time_type time);

// Every file name in a directory, sorted.
std::vector<std::string> FileNames(const std::filesystem::path& dir);
// Name -> bytes of every file in a directory, to tell whether anything changed.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& dir);
// Path -> bytes (or "<dir>") and modification time of every file and folder
// under dir, to tell that nothing under it was written, created or removed.
std::map<std::string, std::string> SnapshotWithTimes(const std::filesystem::path& dir);

// Writes a small level catalogue NIVELEX.DBF into dir.
using CatalogueEntry = LevelCatalogueEntry;
inline void WriteCatalogue(const std::filesystem::path& dir, const std::vector<CatalogueEntry>& entries) {
    WriteLevelCatalogue(dir, entries);
}

// A run interface for tests: answers from its fields, records what it shows.
class RecordingUi : public RunUi {
public:
    std::optional<std::filesystem::path> fileAnswer;  // nothing: the dialog is cancelled
    std::optional<std::string> templateAnswer;   // typed into the chooser; else its first code
    std::vector<std::string> messages;
    std::vector<std::string> errors;
    int templateDialogs = 0;
    bool busy = false;
    bool closed = false;

    std::optional<std::filesystem::path> ChooseFile() override { return fileAnswer; }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    std::string ChooseTemplate(TemplateChooser& chooser) override;
    void SetBusy(bool on) override { busy = on; }
    void Close() override { closed = true; }
};

// An exchange document built from sections of rows; values are Windows-1252
// texts, written escaped into a UTF-8 document.
struct Section {
    std::string seq;
    std::vector<std::vector<std::string>> rows;
};
std::string ExchangeXml(const std::vector<Section>& sections);

// A document loaded from an XML text, and a step context around it: tables in
// Tables(), the catalogue looked for in Program().
class StepFixture {
public:
    explicit StepFixture(const std::string& xml);
    ImportContext& Context() { return context_; }
    const std::filesystem::path& Tables() const { return dir_.Path(); }
    std::filesystem::path Program() const { return dir_ / "program"; }
    ModuleState& State() { return state_; }
    RecordingUi& Ui() { return ui_; }

private:
    TempDir dir_;
    ModuleState state_;
    RecordingUi ui_;
    ExchangeDocument document_;
    ImportContext context_;
};

// Runs vindeleo-cli with these (shell-quoted) arguments in `prefix`, with
// WINEPREFIX pointing there.
CommandResult RunCli(const std::filesystem::path& prefix, const std::string& arguments);
// A path quoted for the shell.
std::string Quoted(const std::filesystem::path& path);

// Source and build directories of the project.
std::filesystem::path SourceDir();
std::filesystem::path BinaryDir();

}  // namespace vindeleo::test
