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
#include <system_error>
#include <unistd.h>

#include "session/RunUi.h"
#include "import/Plantihoras.h"
#include "platform/PathText.h"
#include "text/Codepage.h"
#include "text/Error.h"

namespace vindeleo::fuzz {

namespace fs = std::filesystem;

// A directory of this process, removed when the process ends normally. It lies
// under $VINDELEO_FUZZ_SCRATCH when set (the run script removes that one
// whatever happens), else in memory (/dev/shm) when possible, else in the
// system's temporary directory.
class Scratch {
public:
    Scratch() {
        fs::path root;
        std::error_code error;
        if (const char* given = std::getenv("VINDELEO_FUZZ_SCRATCH"); given && *given)
            root = given;
        else if (fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0)
            root = "/dev/shm";
        else
            root = fs::temp_directory_path();
        path_ = root / ("vindeleo-fuzz-" + std::to_string(::getpid()));
        fs::remove_all(path_, error);
        fs::create_directories(path_);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const fs::path& Path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

    // Empties a directory of the scratch (made when missing).
    static void Empty(const fs::path& dir) {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
        fs::create_directories(dir);
    }

private:
    fs::path path_;
};

inline void WriteBytes(const fs::path& file, const char* data, std::size_t size) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        std::abort();
    }
}

inline std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A promise of the library that the input broke: reported and ended as a crash.
[[noreturn]] inline void Broken(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "broken promise: %s %s\n", what, detail.c_str());
    std::abort();
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
