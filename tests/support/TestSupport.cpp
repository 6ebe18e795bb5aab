#include "support/TestSupport.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "import/Plantihoras.h"
#include "platform/PathText.h"
#include "text/Codepage.h"

namespace vindeleo::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device random;
    for (;;) {
        path_ = fs::temp_directory_path() / ("vindeleo-test-" + std::to_string(random()));
        if (fs::create_directory(path_)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void SetModificationTime(const fs::path& path, fs::file_time_type time) {
#ifdef _WIN32
    // mingw's std::filesystem sets times through _wutime, which cannot open a
    // directory; the handle of a directory needs FILE_FLAG_BACKUP_SEMANTICS.
    const HANDLE handle = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path.string());
    // FILETIME counts 100 ns from 1601-01-01, 11,644,473,600 s before 1970.
    using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
    const auto sinceUnixEpoch = std::chrono::duration_cast<Ticks>(
        fs::file_time_type::clock::to_sys(time).time_since_epoch());
    const auto ticks = static_cast<std::uint64_t>(sinceUnixEpoch.count() + 116'444'736'000'000'000LL);
    const FILETIME stamp{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    const BOOL set = SetFileTime(handle, nullptr, nullptr, &stamp);
    CloseHandle(handle);
    if (!set) throw std::runtime_error("cannot set the time of " + path.string());
#else
    fs::last_write_time(path, time);
#endif
}

std::vector<std::string> FileNames(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        files[fs::relative(entry.path(), dir).string()] =
            entry.is_regular_file() ? ReadFile(entry.path()) : std::string("<dir>");
    return files;
}

std::map<std::string, std::string> SnapshotWithTimes(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        files[fs::relative(entry.path(), dir).string()] =
            (entry.is_regular_file() ? ReadFile(entry.path()) : std::string("<dir>")) + " @" +
            std::to_string(entry.last_write_time().time_since_epoch().count());
    return files;
}

std::string RecordingUi::ChooseTemplate(TemplateChooser& chooser) {
    ++templateDialogs;
    chooser.FormActivate();
    if (templateAnswer) chooser.ComboBoxPlantillaChange(*templateAnswer);
    return chooser.Close();
}

namespace {
std::string Escaped(const std::string& text1252) {
    std::string out;
    for (char c : Cp1252ToUtf8(text1252)) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += c;
        }
    }
    return out;
}
}  // namespace

std::string ExchangeXml(const std::vector<Section>& sections) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SERVICIO>\n <BLOQUE_DATOS>\n";
    for (const auto& section : sections) {
        xml += "  <grupo_datos seq=\"" + section.seq + "\">\n";
        for (const auto& row : section.rows) {
            xml += "   <grupo_datos>\n";
            for (const auto& value : row) xml += "    <dato>" + Escaped(value) + "</dato>\n";
            xml += "   </grupo_datos>\n";
        }
        xml += "  </grupo_datos>\n";
    }
    return xml + " </BLOQUE_DATOS>\n</SERVICIO>\n";
}

StepFixture::StepFixture(const std::string& xml)
    : context_{document_, dir_.Path(), dir_ / "program", state_, ui_} {
    fs::create_directory(Program());
    const fs::path file = dir_ / "document.xml";
    WriteFile(file, xml);
    state_.XmlFileName = PathText(file);
    state_.DocumentFile = file;
    const LoadResult result = document_.Load(file);
    EXPECT_EQ(result.status, LoadStatus::Loaded) << result.detail;
}

fs::path SourceDir() { return VINDELEO_SOURCE_DIR; }
fs::path BinaryDir() { return VINDELEO_BINARY_DIR; }

std::string Quoted(const std::filesystem::path& path) {
    std::string quoted = "'";
    for (const char c : path.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace vindeleo::test
