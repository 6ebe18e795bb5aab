// The fecha of the export: the date and time as the environment's LC_TIME
// writes them, with four-digit years, converted from that locale's codeset to
// Windows-1252; the exchange documents' own form without a regional setting.
// The locales are compiled from the C library's locale sources (Debian's
// locales package) into the build directory and found through LOCPATH, so no
// locale has to be installed on the machine.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <sstream>

#include "export/ExportSupport.h"
#include "platform/RegionalTime.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;

// The locales the tests name, compiled once by localedef into the build
// directory. Each is compiled into a directory of its own and renamed into
// place, so tests running at the same time never read half a locale.
fs::path TestLocales() {
    const fs::path dir = test::BinaryDir() / "test-locales";
    fs::create_directories(dir);
    const std::pair<const char*, const char*> wanted[] = {
        {"es_ES", "UTF-8"}, {"en_US", "UTF-8"},  {"de_DE", "UTF-8"},     {"ko_KR", "UTF-8"},
        {"ko_KR", "EUC-KR"}, {"is_IS", "UTF-8"}, {"is_IS", "ISO-8859-1"},
    };
    for (const auto& [source, codeset] : wanted) {
        const std::string name = std::string(source) + "." + codeset;
        if (fs::exists(dir / name / "LC_TIME")) continue;
        const fs::path building = dir / (".building-" + name + "-" + std::to_string(::getpid()));
        const auto made = test::RunCommand(std::string("localedef -i ") + source + " -f " + codeset + " " +
                                           test::Quoted(building));
        if (!fs::exists(building / "LC_TIME")) {
            ADD_FAILURE() << "localedef could not compile " << name << " (Debian package locales): " << made.err;
            continue;
        }
        std::error_code taken;  // another test may have put it in place first
        fs::rename(building, dir / name, taken);
        fs::remove_all(building, taken);
    }
    return dir;
}

// 2026-08-10 07:05:09 UTC, a Monday: day and month tell apart, the hour has a
// leading zero, and Icelandic writes the day and month with accented letters.
constexpr std::time_t kMoment = 1786345509;

TEST(RegionalDateTimeTest, FollowsTheLcTimeLocaleWithFourDigitYears) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    ::setenv("LOCPATH", TestLocales().c_str(), 1);
    const std::string previous = std::setlocale(LC_TIME, nullptr);
    const std::pair<const char*, std::string> cases[] = {
        // No region: the documents' own dd/mm/yyyy hh:mm:ss.
        {"C", "10/08/2026 07:05:09"},
        {"POSIX", "10/08/2026 07:05:09"},
        {"C.UTF-8", "10/08/2026 07:05:09"},
        {"es_ES.UTF-8", "10/08/2026 07:05:09"},  // its own %x writes 10/08/26
        {"en_US.UTF-8", "08/10/2026 07:05:09 AM"},
        {"de_DE.UTF-8", "10.08.2026 07:05:09"},
        // Hangul is not in Windows-1252: each letter one '?', whatever the codeset.
        {"ko_KR.UTF-8", "2026? 08? 10? 07? 05? 09?"},
        {"ko_KR.EUC-KR", "2026? 08? 10? 07? 05? 09?"},
        // Accented letters that Windows-1252 has come through from either codeset.
        {"is_IS.UTF-8", "m\xE1n 10.\xE1g\xFA 2026 07:05:09"},
        {"is_IS.ISO-8859-1", "m\xE1n 10.\xE1g\xFA 2026 07:05:09"},
    };
    for (const auto& [locale, fecha] : cases) {
        ASSERT_NE(std::setlocale(LC_TIME, locale), nullptr) << locale;
        EXPECT_EQ(RegionalDateTime(kMoment), fecha) << locale;
    }
    std::setlocale(LC_TIME, previous.c_str());
}

// Through vindeleo-cli: the environment as a shell, a server or a desktop
// session leaves it, the fecha read back from the result by xmllint. The run
// takes the moment itself, so the expected text is made for every second
// between the start and the end of the run.
class FechaThroughTheCommandLine : public ::testing::Test {
protected:
    FechaThroughTheCommandLine() {
        using test::exporting::WriteTable;
        fs::create_directories(Tables());
        for (const TableLayout* layout :
             {&layouts::Proft(), &layouts::Grupost(), &layouts::Cursost(), &layouts::Aulat(), &layouts::Asignomt(),
              &layouts::Diashorast(), &layouts::Asigt(), &test::exporting::SolucLayout()})
            WriteTable(Tables(), *layout, {});
        WriteTable(Tables(), layouts::Periodos(), {{"J1", "Jornada", "15/09/2026", "23/06/2027"}});
        test::WriteFile(prefix / "alumnos.xml",
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SERVICIO><BLOQUE_DATOS><grupo_datos "
                        "seq=\"ANNO_ACADEMICO\"><dato>2026/27</dato></grupo_datos></BLOQUE_DATOS></SERVICIO>\n");
    }
    fs::path Tables() const { return prefix / "drive_c" / "MTEMP"; }

    // Exports with only these locale variables set (besides TZ and LOCPATH);
    // returns the result's fecha in UTF-8, and the seconds the run spanned.
    std::string ExportFecha(const std::string& localeVariables, std::time_t& first, std::time_t& last) {
        first = std::time(nullptr);
        const auto run = test::RunCommand("cd " + test::Quoted(prefix.Path()) +
                                          " && env -u LC_ALL -u LC_TIME -u LANG -u LANGUAGE TZ=UTC LOCPATH=" +
                                          test::Quoted(TestLocales()) + " WINEPREFIX=" + test::Quoted(prefix.Path()) +
                                          " " + localeVariables + " " + test::Quoted(VINDELEO_CLI) +
                                          " export alumnos.xml");
        last = std::time(nullptr);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const auto read = test::RunCommand("xmllint --xpath 'string(/SERVICIO/@fecha)' " +
                                           test::Quoted(prefix / "ResultadoTuvanealumnos.xml"));
        EXPECT_EQ(read.exitCode, 0) << read.err;
        std::string fecha = read.out;
        while (!fecha.empty() && fecha.back() == '\n') fecha.pop_back();
        return fecha;
    }

    test::TempDir prefix;
};

// The text of a C-locale strftime pattern for each second from first to last.
std::vector<std::string> EachSecond(const char* pattern, std::time_t first, std::time_t last) {
    std::vector<std::string> texts;
    for (std::time_t t = first; t <= last; ++t) {
        std::tm moment{};
        ::gmtime_r(&t, &moment);
        char text[128];
        texts.emplace_back(text, std::strftime(text, sizeof text, pattern, &moment));
    }
    return texts;
}

bool OneOf(const std::string& text, const std::vector<std::string>& candidates) {
    return std::find(candidates.begin(), candidates.end(), text) != candidates.end();
}

TEST_F(FechaThroughTheCommandLine, FollowsTheEnvironmentsLcTime) {
    const std::pair<const char*, const char*> cases[] = {
        {"LC_TIME=C", "%d/%m/%Y %H:%M:%S"},
        {"LC_TIME=POSIX", "%d/%m/%Y %H:%M:%S"},
        {"", "%d/%m/%Y %H:%M:%S"},
        {"LANG=C.UTF-8", "%d/%m/%Y %H:%M:%S"},
        {"LC_TIME=xx_XX.UTF-8", "%d/%m/%Y %H:%M:%S"},  // a locale the machine does not have
        {"LC_TIME=es_ES.UTF-8", "%d/%m/%Y %H:%M:%S"},
        {"LANG=es_ES.UTF-8 LC_TIME=en_US.UTF-8", "%m/%d/%Y %I:%M:%S %p"},
        {"LANG=de_DE.UTF-8", "%d.%m.%Y %H:%M:%S"},
        {"LC_TIME=ko_KR.UTF-8", "%Y? %m? %d? %H? %M? %S?"},
    };
    for (const auto& [variables, pattern] : cases) {
        SCOPED_TRACE(variables);
        std::time_t first = 0, last = 0;
        const std::string fecha = ExportFecha(variables, first, last);
        EXPECT_TRUE(OneOf(fecha, EachSecond(pattern, first, last))) << fecha;
    }
}

// The Korean result is exactly what the C library's strftime writes for %x %X
// in that locale, as Python reads it in the locale's codeset and encodes it in
// Windows-1252 with '?' for what it lacks.
TEST_F(FechaThroughTheCommandLine, KoreanIsTheLocalesOwnTextInWindows1252) {
    for (const char* locale : {"ko_KR.UTF-8", "ko_KR.EUC-KR"}) {
        SCOPED_TRACE(locale);
        std::time_t first = 0, last = 0;
        const std::string fecha = ExportFecha(std::string("LC_TIME=") + locale, first, last);
        const auto python = test::RunCommand(
            "LOCPATH=" + test::Quoted(TestLocales()) + " /usr/bin/python3 -c 'import locale, sys, time\n"
            "locale.setlocale(locale.LC_ALL, sys.argv[1])\n"
            "for t in range(int(sys.argv[2]), int(sys.argv[3]) + 1):\n"
            "    text = time.strftime(\"%x %X\", time.gmtime(t))\n"
            "    print(text.encode(\"cp1252\", \"replace\").decode(\"cp1252\"))' " +
            locale + " " + std::to_string(first) + " " + std::to_string(last));
        ASSERT_EQ(python.exitCode, 0) << python.err;
        std::vector<std::string> expected;
        std::istringstream lines(python.out);
        for (std::string line; std::getline(lines, line);) expected.push_back(line);
        EXPECT_TRUE(OneOf(fecha, expected)) << fecha << " not in\n" << python.out;
        EXPECT_NE(fecha.find('?'), std::string::npos);
    }
}

}  // namespace
}  // namespace vindeleo
