#pragma once
// What the fuzz targets share: a scratch directory for the files they write,
// a run interface that answers every question without a window, and the file
// helpers. Every failure the library reports is a vindeleo::Error, which the
// targets expect and pass over; anything else (a sanitizer report, another
// exception, a broken promise of the library) ends the run as a finding.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "FilesInMemory.h"
#include "import/Plantihoras.h"
#include "platform/Files.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "session/RunUi.h"
#include "text/Codepage.h"
#include "text/Error.h"

namespace vindeleo::fuzz {

namespace fs = std::filesystem;

// The targets' files live in the in-memory file system that the fuzz build
// links in place of the native one (FilesInMemory.cpp): no file an input
// makes reaches the disk, and every input is run without a system call of
// the file layer. The scratch folder is made there once.
class Scratch {
public:
    Scratch() : path_("/vindeleo-fuzz") { platform::CreateDirectories(path_); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const fs::path& Path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

    // Empties a directory of the scratch (made when missing).
    static void Empty(const fs::path& dir) {
        std::error_code error;
        platform::RemoveAll(dir, error);
        if (!error) platform::CreateDirectories(dir);
        if (error || !platform::IsEmpty(dir, error)) {
            std::fprintf(stderr, "cannot empty %s\n", dir.c_str());
            std::abort();
        }
    }

private:
    fs::path path_;
};

// A folder of the scratch for one input's files: empty when the input starts,
// and emptied again when it ends, so that an input frees all that it made.
// libFuzzer runs an input a second time, looking for a leak, whenever it ends
// with more allocations than it freed, as files left for the next input did.
class InputFolder {
public:
    explicit InputFolder(fs::path path) : path_(std::move(path)) {
        std::error_code error;
        if (!platform::IsEmpty(path_, error) || error) Scratch::Empty(path_);  // the previous input emptied it
    }
    ~InputFolder() { Scratch::Empty(path_); }
    InputFolder(const InputFolder&) = delete;
    InputFolder& operator=(const InputFolder&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// Lays out a file of the scratch whole (in memory, not through the library).
inline void WriteBytes(const fs::path& file, const char* data, std::size_t size) {
    platform::memory::PutFile(file, std::string_view(data, size));
}

// The content of a file of the scratch; nothing when it cannot be read.
inline std::optional<std::string> ReadBytes(const fs::path& file) {
    std::string bytes;
    std::error_code error;
    if (!platform::ReadContent(file, bytes, error)) return std::nullopt;
    return bytes;
}

// A file of the disk (of the build or the source tree), read once at start.
inline std::string ReadDiskFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in || bytes.str().empty()) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        std::abort();
    }
    return bytes.str();
}

// A promise of the library that the input broke: reported and ended as a crash.
[[noreturn]] inline void Broken(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "broken promise: %s %s\n", what, detail.c_str());
    std::abort();
}

// Once an input is done, every file that the library opened (a table, its
// lock, a file being written) is closed again.
inline void CheckNothingOpen() {
    if (const std::size_t open = platform::memory::OpenFiles(); open != 0)
        Broken("files left open after the input:", std::to_string(open));
}

// Answers as the command line does without --template: the document chosen,
// the template chooser left at the code it selects first; but when the chooser
// lists a second code, that one is typed, so that the change is run too.
class SilentUi : public RunUi {
public:
    explicit SilentUi(const fs::path& document) : document_(document) {}

    std::optional<fs::path> ChooseFile() override { return document_; }
    void ShowMessage(const std::string& text) override { lastMessage = text; }
    void ShowError(const std::string& text) override { lastMessage = text; }
    std::string ChooseTemplate(TemplateChooser& chooser) override {
        chooser.FormActivate();
        if (chooser.ComboItems().size() > 1) chooser.ComboBoxPlantillaChange(chooser.ComboItems()[1]);
        return chooser.Close();
    }
    void SetBusy(bool) override {}
    void Close() override {}

    std::string lastMessage;

private:
    fs::path document_;
};

}  // namespace vindeleo::fuzz
