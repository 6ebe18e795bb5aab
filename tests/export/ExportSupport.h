#pragma once
// Helpers of the export tests: a working directory with the timetable tables,
// a chosen document, a run as a front end makes it, and the result document
// read back group by group.

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "session/ModuleState.h"
#include "document/ExchangeDocument.h"
#include "export/ExportRun.h"
#include "support/TestSupport.h"
#include "tables/Layouts.h"
#include "tables/Table.h"
#include "text/Error.h"

namespace vindeleo::test::exporting {

namespace fs = std::filesystem;

// The solution table as the timetable program leaves it (the fields the export reads).
inline const TableLayout& SolucLayout() { return layouts::Soluc(); }

// Values in field order; integer fields written from their text.
using Records = std::vector<std::vector<std::string>>;

inline void WriteTable(const fs::path& dir, const TableLayout& layout, const Records& records) {
    Table table(dir, layout);
    table.Create();
    table.Open(true);
    for (const auto& values : records) {
        table.Append();
        for (std::size_t i = 0; i < values.size(); ++i) {
            const FieldDef& field = layout.fields.at(i);
            if (field.type == FieldType::Integer)
                table.SetInteger(field.name, StrToInt(values[i]));
            else
                table.SetText(field.name, values[i]);
        }
        table.Post();
    }
    table.Close();
}

// Records of PROFT: abbreviation, employee key, F_TOMAPOS.
inline Records Teachers(const std::vector<std::array<std::string, 3>>& teachers) {
    Records records;
    for (const auto& t : teachers) records.push_back({t[0], "", "", "0", t[1], t[2]});
    return records;
}

// A lesson group read back: its seq and its eleven values by name.
struct LessonGroup {
    std::string seq;
    std::vector<std::string> names;
    std::vector<std::string> values;
    std::string Value(const std::string& name) const {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return values[i];
        ADD_FAILURE() << "no dato " << name;
        return {};
    }
};
struct TeacherGroup {
    std::string seq;
    std::string registros;
    std::vector<std::string> values;  // the dato children of the group itself
    std::vector<LessonGroup> lessons;
};

inline std::string Attribute(const ExchangeDocument& document, Node element, const std::string& name) {
    const Node attribute = document.SelectSingleNode(element, "@" + name);
    return attribute ? ExchangeDocument::Text(attribute) : std::string("<none>");
}

inline std::vector<TeacherGroup> ReadTeacherGroups(const ExchangeDocument& document) {
    std::vector<TeacherGroup> groups;
    const std::string path = "/SERVICIO/BLOQUE_DATOS/grupo_datos[@seq=\"HORARIOS_REGULARES\"]/grupo_datos";
    for (const Node teacher : document.SelectNodes(document.DocumentNode(), path)) {
        TeacherGroup group{Attribute(document, teacher, "seq"), Attribute(document, teacher, "registros"), {}, {}};
        for (const Node value : document.SelectNodes(teacher, "dato"))
            group.values.push_back(ExchangeDocument::Text(value));
        for (const Node lesson : document.SelectNodes(teacher, "grupo_datos")) {
            LessonGroup read{Attribute(document, lesson, "seq"), {}, {}};
            for (const Node value : document.SelectNodes(lesson, "dato")) {
                read.names.push_back(Attribute(document, value, "nombre_dato"));
                read.values.push_back(ExchangeDocument::Text(value));
            }
            group.lessons.push_back(std::move(read));
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

// A working directory with the eight timetable tables (empty unless a test
// fills them) and one periods record; a chosen document; the window's state.
class ExportFixture : public ::testing::Test {
protected:
    ExportFixture() {
        fs::create_directories(Working());
        state.WorkingDirectory = Working();
        state.ProgramDirectory = dir / "program";
        for (const TableLayout* layout :
             {&layouts::Proft(), &layouts::Grupost(), &layouts::Cursost(), &layouts::Aulat(), &layouts::Asignomt(),
              &layouts::Diashorast(), &layouts::Asigt()})
            WriteTable(Working(), *layout, {});
        WriteTable(Working(), SolucLayout(), {});
        WriteTable(Working(), layouts::Periodos(), {{"J1", "Ma\xF1" "ana", "15/09/2026", "23/06/2027"}});
        ui.fileAnswer = WriteDocument("alumnos.xml", DefaultDocument());
    }

    static std::string DefaultDocument() {
        return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
               "<SERVICIO modulo=\"SIRAVEL\" tipo=\"E\"><BLOQUE_DATOS>"
               "<grupo_datos seq=\"ANNO_ACADEMICO\"><dato nombre_dato=\"C_ANNO\">2026/27</dato></grupo_datos>"
               "<grupo_datos seq=\"MATERIAS\"><grupo_datos><dato>3101</dato><dato>M1</dato><dato>Mates</dato>"
               "</grupo_datos></grupo_datos></BLOQUE_DATOS></SERVICIO>\n";
    }

    fs::path Working() const { return dir / "MTEMP"; }

    std::string WriteDocument(const std::string& name, const std::string& xml) {
        const fs::path file = dir / name;
        WriteFile(file, xml);
        return file.string();
    }

    fs::path Result() const { return dir / "ResultadoTuvanealumnos.xml"; }

    // Runs the export as a front end does: an error goes to the error box.
    void Run() {
        try {
            RunExport(state, ui);
        } catch (const Error& error) {
            ui.errors.push_back(error.what());
        }
    }

    // Runs the export and reads back its teacher groups; the run must finish.
    std::vector<TeacherGroup> Export() {
        Run();
        EXPECT_EQ(ui.errors, std::vector<std::string>{});
        EXPECT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
        ExchangeDocument result;
        EXPECT_EQ(result.Load(Result()).status, LoadStatus::Loaded);
        return ReadTeacherGroups(result);
    }

    // After a run that did not finish: no result, result code and buttons as
    // before, normal cursor, and every table free for the timetable program.
    void ExpectNothingDone() {
        EXPECT_FALSE(fs::exists(Result()));
        EXPECT_EQ(state.ResultCode, 0);
        EXPECT_TRUE(state.RunButtonsEnabled);
        EXPECT_FALSE(ui.busy);
        for (const TableLayout* layout : {&layouts::Soluc(), &layouts::Grupost(), &layouts::Cursost(), &layouts::Proft(),
                                          &layouts::Aulat(), &layouts::Asignomt(), &layouts::Diashorast(),
                                          &layouts::Asigt()}) {
            Table table(Working(), *layout);
            try {
                table.Open(true);
            } catch (const Error& error) {  // missing or damaged is fine; held is not
                EXPECT_EQ(std::string(error.what()).find("otro programa"), std::string::npos) << error.what();
            }
        }
    }

    TempDir dir;
    ModuleState state;
    RecordingUi ui;
};

}  // namespace vindeleo::test::exporting
