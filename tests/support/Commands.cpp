// The helpers that run Linux programs from the tests: a shell command, the
// independent dBase reader python3-dbfread, the command-line front end. Built
// into the Linux tests only.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

#include "support/TestSupport.h"

namespace vindeleo::test {

namespace fs = std::filesystem;

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

CommandResult RunCli(const std::filesystem::path& prefix, const std::string& arguments) {
    return RunCommand("cd " + Quoted(prefix) + " && WINEPREFIX=" + Quoted(prefix) + " " + Quoted(VINDELEO_CLI) + " " +
                      arguments);
}

}  // namespace vindeleo::test
