#include <gtest/gtest.h>

#include <sys/stat.h>

#include "session/HostProtocol.h"
#include "session/IniFile.h"
#include "session/ModuleState.h"
#include "support/TestSupport.h"
#include "text/Error.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;

struct IniCase {
    const char* name;
    std::string before;
    std::string after;
};

TEST(IniFileTest, SetsTheValueAndLeavesEveryOtherByte) {
    const IniCase cases[] = {
        {"new file", "", "[Transformadores]\r\nTransformado=1\r\n"},
        {"key in other letter case, CRLF, comments and other sections",
         "; Morvalen\r\n[General]\r\nRuta=C:\\MTEMP\r\nTransformado=7\r\n\r\n[TRANSFORMADORES]\r\n; ultimo\r\n"
         "  transformado = 0 ; viejo\r\nOtro=2\r\n\r\n[Final]\r\nA=b",
         "; Morvalen\r\n[General]\r\nRuta=C:\\MTEMP\r\nTransformado=7\r\n\r\n[TRANSFORMADORES]\r\n; ultimo\r\n"
         "  transformado=1\r\nOtro=2\r\n\r\n[Final]\r\nA=b"},
        {"key missing: added after the section's last line, before the blank line",
         "[Transformadores]\nOtro=2\n\n[Final]\nA=b\n", "[Transformadores]\nOtro=2\nTransformado=1\n\n[Final]\nA=b\n"},
        {"empty section at the end without a line end", "[A]\r\nx=1\r\n[ transformadores ]",
         "[A]\r\nx=1\r\n[ transformadores ]\r\nTransformado=1\r\n"},
        {"section missing, LF file without a final line end", "[A]\nx=1", "[A]\nx=1\n\n[Transformadores]\nTransformado=1\n"},
        {"section missing after a blank line", "[A]\r\nx=1\r\n\r\n",
         "[A]\r\nx=1\r\n\r\n[Transformadores]\r\nTransformado=1\r\n"},
        {"only the first of two keys, only the first of two sections, a comment is no key",
         "[Transformadores]\n;Transformado=5\nTransformado=-1\nTransformado=3\n[Transformadores]\nTransformado=4\n",
         "[Transformadores]\n;Transformado=5\nTransformado=1\nTransformado=3\n[Transformadores]\nTransformado=4\n"},
        {"key without a value", "[Transformadores]\r\nTransformado\r\n", "[Transformadores]\r\nTransformado=1\r\n"},
        {"byte-order mark before the first header", "\xEF\xBB\xBF[Transformadores]\nTransformado=0\n",
         "\xEF\xBB\xBF[Transformadores]\nTransformado=1\n"},
    };
    for (const IniCase& c : cases)
        EXPECT_EQ(WithProfileValue(c.before, "Transformadores", "Transformado", "1"), c.after) << c.name;
}

TEST(IniFileTest, WritesTheFileInPlace) {
    test::TempDir dir;
    const fs::path file = dir / "Morvalen.ini";
    test::WriteFile(file, "[Morvalen]\r\nVersion=9\r\n");
    fs::create_hard_link(file, dir / "other-name.ini");  // the same file under a second name

    WriteProfileString(file, "Transformadores", "Transformado", "-1");
    const std::string expected = "[Morvalen]\r\nVersion=9\r\n\r\n[Transformadores]\r\nTransformado=-1\r\n";
    EXPECT_EQ(test::ReadFile(file), expected);
    EXPECT_EQ(test::ReadFile(dir / "other-name.ini"), expected);  // rewritten, not replaced

    WriteProfileString(file, "Transformadores", "Transformado", "0");
    EXPECT_EQ(test::ReadFile(file), "[Morvalen]\r\nVersion=9\r\n\r\n[Transformadores]\r\nTransformado=0\r\n");
}

TEST(IniFileTest, AFileThatCannotBeWrittenIsAnError) {
    test::TempDir dir;
    fs::create_directory(dir / "Morvalen.ini");  // a directory stands where the file should be
    try {
        WriteProfileString(dir / "Morvalen.ini", "Transformadores", "Transformado", "1");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + (dir / "Morvalen.ini").string());
    }
    EXPECT_THROW(WriteProfileString(dir / "missing" / "Morvalen.ini", "S", "K", "1"), Error);
}

TEST(HostProtocolTest, ReadsTheHandleAsHexadecimal) {
    EXPECT_EQ(ReadHostHandle("1a2B"), 0x1a2bu);
    EXPECT_EQ(ReadHostHandle("00400003"), 0x400003u);
    EXPECT_EQ(ReadHostHandle("FFFFFFFF"), 0xFFFFFFFFu);
    for (const char* bad : {"zz", "", "0x12", " 12", "12 ", "-1", "100000000", "1g"}) {
        try {
            ReadHostHandle(bad);
            ADD_FAILURE() << "read: " << bad;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), std::string("'$") + bad + "' no es un valor entero v\xE1lido");
        }
    }
}

TEST(HostProtocolTest, ActionWordsIgnoreTheLetterCaseOfAToZ) {
    EXPECT_EQ(ActionOf("EXPORTAR"), HostAction::Exportar);
    EXPECT_EQ(ActionOf("exportar"), HostAction::Exportar);
    EXPECT_EQ(ActionOf("ImPoRtAr"), HostAction::Importar);
    for (const char* other : {"abrir", "", "exportar ", "importa", "export"}) EXPECT_EQ(ActionOf(other), HostAction::None);
}

TEST(HostProtocolTest, TheResultGoesToTheProgramDirectorysIniFile) {
    test::TempDir dir;
    ModuleState state;
    state.ProgramDirectory = dir.Path();
    state.ResultCode = -1;
    WriteHostResult(state);
    EXPECT_EQ(test::ReadFile(dir / "Morvalen.ini"), "[Transformadores]\r\nTransformado=-1\r\n");

    // An existing file whose name differs in letter case is the host's file.
    fs::remove(dir / "Morvalen.ini");
    test::WriteFile(dir / "MORVALEN.INI", "[Transformadores]\nTransformado=0\n");
    state.ResultCode = 1;
    WriteHostResult(state);
    EXPECT_EQ(test::FileNames(dir.Path()), std::vector<std::string>{"MORVALEN.INI"});
    EXPECT_EQ(test::ReadFile(dir / "MORVALEN.INI"), "[Transformadores]\nTransformado=1\n");
}

}  // namespace
}  // namespace vindeleo
