#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>

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

CommandResult RunCommand(const std::string& command) {
    TempDir scratch;
    const fs::path out = scratch / "out";
    const fs::path err = scratch / "err";
    const std::string full = "(" + command + ") >'" + out.string() + "' 2>'" + err.string() + "' </dev/null";
    const int status = std::system(full.c_str());
    CommandResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    return result;
}

namespace {

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return parts;
        start = tab + 1;
    }
}

}  // namespace

DbfContents ReadWithDbfread(const fs::path& dbf) {
    const fs::path script = SourceDir() / "tests" / "support" / "dbfdump.py";
    const auto result = RunCommand("/usr/bin/python3 '" + script.string() + "' '" + dbf.string() + "'");
    DbfContents contents;
    EXPECT_EQ(result.exitCode, 0) << "dbfread could not read " << dbf << ": " << result.err;
    std::istringstream lines(result.out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto parts = SplitTabs(line);
        if (parts[0] == "F" && parts.size() == 5) {
            contents.fields.push_back({parts[1], parts[2].empty() ? '?' : parts[2][0], std::stoi(parts[3]),
                                       std::stoi(parts[4])});
        } else if (parts[0] == "R") {
            contents.records.emplace_back();
        } else if (parts[0] == "V" && parts.size() == 3 && !contents.records.empty()) {
            contents.records.back()[parts[1]] = FromHex(parts[2]);
        }
    }
    return contents;
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

CommandResult RunCli(const std::filesystem::path& prefix, const std::string& arguments) {
    return RunCommand("cd " + Quoted(prefix) + " && WINEPREFIX=" + Quoted(prefix) + " " + Quoted(VINDELEO_CLI) + " " +
                      arguments);
}

}  // namespace vindeleo::test
