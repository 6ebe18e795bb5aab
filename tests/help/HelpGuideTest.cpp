// The help guide as the build leaves it: SIRAVEL.chm read back by libchm's
// extract_chmLib (Debian's libchm-bin), independent of chmcmd that wrote it,
// and the folder "ayuda" of plain pages beside the programs. And every
// message that the program can show, taken from the message headers
// themselves, written in the guide word for word.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "tables/TableMessages.h"
#include "text/Codepage.h"
#include "text/Messages.h"
#include "session/CopiesSession.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;

const std::string kMainWindowTopic = "ventana-principal.html";
constexpr std::uint32_t kMainWindowContext = 3;  // the programs' help context for F1

fs::path GuideSources() { return test::SourceDir() / "src" / "help" / "guide"; }

std::vector<std::string> SourcePages() {
    std::vector<std::string> pages;
    for (const std::string& name : test::FileNames(GuideSources()))
        if (name.ends_with(".html")) pages.push_back(name);
    return pages;
}

// The files of the compiled help, as libchm extracts them.
class CompiledHelp {
public:
    CompiledHelp() {
        const auto run = test::RunCommand("extract_chmLib '" + (test::BinaryDir() / "SIRAVEL.chm").string() + "' '" +
                                          (dir / "x").string() + "'");
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    }
    bool Has(const std::string& name) const { return fs::is_regular_file(dir / "x" / name); }
    // Every file of the help by its name inside it, with its bytes.
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(dir / "x"))
            if (entry.is_regular_file())
                files[entry.path().lexically_relative(dir / "x").generic_string()] = test::ReadFile(entry.path());
        return files;
    }
    std::string Read(const std::string& name) const {
        EXPECT_TRUE(Has(name)) << name << " is not in SIRAVEL.chm";
        return Has(name) ? test::ReadFile(dir / "x" / name) : std::string();
    }

private:
    test::TempDir dir;
};

std::uint32_t Dword(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);  // little-endian, as the machine
    return value;
}

// The entries of a sitemap (.hhc, .hhk): each object's Name and Local.
struct SitemapEntry {
    std::string name;
    std::string local;
};
std::vector<SitemapEntry> Sitemap(const std::string& text) {
    std::vector<SitemapEntry> entries;
    static const std::regex object(R"(<OBJECT type="text/sitemap">([\s\S]*?)</OBJECT>)", std::regex::icase);
    static const std::regex param(R"re(<param name="(\w+)" value="([^"]*)">)re", std::regex::icase);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), object); it != std::sregex_iterator(); ++it) {
        SitemapEntry entry;
        const std::string body = (*it)[1];
        for (auto p = std::sregex_iterator(body.begin(), body.end(), param); p != std::sregex_iterator(); ++p) {
            if ((*p)[1] == "Name") entry.name = (*p)[2];
            if ((*p)[1] == "Local") entry.local = (*p)[2];
        }
        entries.push_back(entry);
    }
    return entries;
}

std::string Title(const std::string& page) {
    static const std::regex title(R"(<title>([^<]*)</title>)");
    std::smatch found;
    return std::regex_search(page, found, title) ? found[1].str() : std::string();
}

// The files that a page refers to: links to other pages (without their
// anchors), its stylesheet and its pictures.
std::set<std::string> References(const std::string& page) {
    std::set<std::string> found;
    static const std::regex reference(R"re((?:href|src)="([^"#:]+)(?:#[^"]*)?")re");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), reference); it != std::sregex_iterator(); ++it)
        found.insert((*it)[1]);
    return found;
}

// The help contexts of the compiled file: #IVB holds the size of what follows,
// then pairs of a context number and the offset of its topic's name in
// #STRINGS (NUL-terminated texts).
std::map<std::uint32_t, std::string> ContextTopics(const CompiledHelp& chm) {
    const std::string ivb = chm.Read("#IVB");
    const std::string strings = chm.Read("#STRINGS");
    std::map<std::uint32_t, std::string> topics;
    if (ivb.size() < 4 || Dword(ivb, 0) != ivb.size() - 4 || Dword(ivb, 0) % 8 != 0) {
        ADD_FAILURE() << "#IVB is not a list of pairs";
        return topics;
    }
    for (std::size_t at = 4; at + 8 <= ivb.size(); at += 8) {
        const std::uint32_t offset = Dword(ivb, at + 4);
        if (offset >= strings.size()) {
            ADD_FAILURE() << "context " << Dword(ivb, at) << " points past #STRINGS";
            continue;
        }
        topics[Dword(ivb, at)] = std::string(strings.c_str() + offset);
    }
    return topics;
}

// Every link of a page as written: each href and src.
std::vector<std::string> Links(const std::string& page) {
    std::vector<std::string> links;
    static const std::regex link(R"re(\b(?:href|src)\s*=\s*"([^"]*)")re", std::regex::icase);
    for (auto it = std::sregex_iterator(page.begin(), page.end(), link); it != std::sregex_iterator(); ++it)
        links.push_back((*it)[1]);
    return links;
}

// The anchors that a page defines (<a name="..."> and id="...").
std::set<std::string> Anchors(const std::string& page) {
    std::set<std::string> anchors;
    static const std::regex anchor(R"re(<a\s[^>]*\bname="([^"]+)"|\bid="([^"]+)")re", std::regex::icase);
    for (auto it = std::sregex_iterator(page.begin(), page.end(), anchor); it != std::sregex_iterator(); ++it)
        anchors.insert((*it)[1].matched ? (*it)[1].str() : (*it)[2].str());
    return anchors;
}

// What is wrong with the links that lead from `from` (a page, the contents,
// the index or the context map) among the help's files: a link that leads
// outside the help (a scheme, an absolute path), names no file of it, or
// names an anchor that its page lacks. A link of only "#anchor" stays on
// `from`.
std::vector<std::string> LinkFaults(const std::map<std::string, std::string>& files, const std::string& from,
                                    const std::vector<std::string>& links) {
    std::vector<std::string> faults;
    for (const std::string& link : links) {
        const std::size_t hash = link.find('#');
        const std::string file = hash == 0 ? from : link.substr(0, hash);
        const std::string anchor = hash == std::string::npos ? std::string() : link.substr(hash + 1);
        if (link.empty() || file.find(':') != std::string::npos || file.starts_with("/") || file.starts_with("\\")) {
            faults.push_back(from + ": \"" + link + "\" leads outside the help");
        } else if (!files.count(file)) {
            faults.push_back(from + ": \"" + link + "\" names no file of the help");
        } else if (hash != std::string::npos && !Anchors(files.at(file)).count(anchor)) {
            faults.push_back(from + ": \"" + link + "\" names an anchor that " + file + " lacks");
        }
    }
    return faults;
}

// --- the compiled file -------------------------------------------------------------

TEST(HelpLinkTest, FindsEveryKindOfBrokenLink) {
    const std::map<std::string, std::string> files{
        {"a.html", R"(<h2><a name="uno">Uno</a></h2><p id="dos">)"}, {"b.png", "picture"}};
    EXPECT_EQ(Links(R"(<link rel="stylesheet" href="estilo.css"><IMG SRC = "b.png" alt="x"><a href="#uno">)"),
              (std::vector<std::string>{"estilo.css", "b.png", "#uno"}));
    EXPECT_EQ(Anchors(files.at("a.html")), (std::set<std::string>{"uno", "dos"}));
    EXPECT_EQ(LinkFaults(files, "a.html", {"a.html", "a.html#uno", "#dos", "b.png"}), std::vector<std::string>{});
    EXPECT_EQ(LinkFaults(files, "SIRAVEL.hhk",
                         {"c.html", "a.html#tres", "#uno", "http://example.org/a.html", "/a.html", ""}),
              (std::vector<std::string>{"SIRAVEL.hhk: \"c.html\" names no file of the help",
                                        "SIRAVEL.hhk: \"a.html#tres\" names an anchor that a.html lacks",
                                        "SIRAVEL.hhk: \"#uno\" names no file of the help",
                                        "SIRAVEL.hhk: \"http://example.org/a.html\" leads outside the help",
                                        "SIRAVEL.hhk: \"/a.html\" leads outside the help",
                                        "SIRAVEL.hhk: \"\" leads outside the help"}));
}

// Every link that HTML Help can follow inside SIRAVEL.chm: each href and src
// of its pages, each entry of the table of contents and of the index, and
// each topic of the context map leads to a file of the help, and to an anchor
// of that page when it names one.
TEST(HelpLinkTest, EveryLinkOfTheCompiledHelpLeadsToAFileOfItAndItsAnchor) {
    const CompiledHelp chm;
    const std::map<std::string, std::string> files = chm.Files();
    std::size_t pages = 0, links = 0, anchored = 0;
    const auto check = [&](const std::string& from, const std::vector<std::string>& found) {
        links += found.size();
        for (const std::string& link : found) anchored += link.find('#') != std::string::npos;
        for (const std::string& fault : LinkFaults(files, from, found)) ADD_FAILURE() << fault;
    };
    for (const auto& [name, text] : files)
        if (name.ends_with(".html")) {
            ++pages;
            check(name, Links(text));
        }
    for (const std::string sitemap : {"SIRAVEL.hhc", "SIRAVEL.hhk"}) {
        std::vector<std::string> locals;
        for (const SitemapEntry& entry : Sitemap(Cp1252ToUtf8(chm.Read(sitemap)))) locals.push_back(entry.local);
        EXPECT_FALSE(locals.empty()) << sitemap;
        check(sitemap, locals);
    }
    std::vector<std::string> topics;
    for (const auto& [context, topic] : ContextTopics(chm)) topics.push_back(topic);
    EXPECT_FALSE(topics.empty());
    check("#IVB", topics);
    // The pages were read, with their links to anchors.
    EXPECT_EQ(pages, SourcePages().size());
    EXPECT_GT(anchored, 0u);
    EXPECT_GT(links, anchored);
}

// The glossary, where the guide says what each of its words means, is reached
// from the table of contents, the index and the context map.
TEST(HelpLinkTest, TheGlossaryIsReachedFromTheContentsTheIndexAndTheContextMap) {
    const CompiledHelp chm;
    const std::string glossary = "glosario.html";
    const auto reaches = [&](const std::vector<SitemapEntry>& entries) {
        return std::any_of(entries.begin(), entries.end(), [&](const SitemapEntry& entry) {
            return entry.local == glossary || entry.local.starts_with(glossary + "#");
        });
    };
    EXPECT_TRUE(reaches(Sitemap(Cp1252ToUtf8(chm.Read("SIRAVEL.hhc")))));
    EXPECT_TRUE(reaches(Sitemap(Cp1252ToUtf8(chm.Read("SIRAVEL.hhk")))));
    bool mapped = false;
    for (const auto& [context, topic] : ContextTopics(chm)) mapped |= topic == glossary;
    EXPECT_TRUE(mapped) << "no help context opens " << glossary;
    EXPECT_EQ(Title(chm.Read(glossary)), "Glosario: las palabras de esta guía");
}

TEST(HelpFileTest, HoldsEveryPageOfTheGuideWithItsStylesheetAndPictures) {
    const CompiledHelp chm;
    const std::vector<std::string> pages = SourcePages();
    ASSERT_GE(pages.size(), 8u);
    for (const std::string& page : pages) {
        const std::string source = test::ReadFile(GuideSources() / page);
        EXPECT_EQ(chm.Read(page), source) << page;
        // Each page declares its charset and is UTF-8 throughout.
        EXPECT_NE(source.find(R"(<meta http-equiv="Content-Type" content="text/html; charset=utf-8">)"),
                  std::string::npos)
            << page;
        for (std::size_t at = 0; at < source.size();) {
            const Utf8Char c = FirstUtf8Char(std::string_view(source).substr(at));
            ASSERT_EQ(c.kind, Utf8Char::Kind::Valid) << page << " at byte " << at;
            at += c.length;
        }
        for (const std::string& file : References(source)) {
            EXPECT_TRUE(chm.Has(file)) << page << " refers to " << file << ", which SIRAVEL.chm lacks";
            if (file.ends_with(".png")) {
                EXPECT_EQ(chm.Read(file), test::ReadFile(test::SourceDir() / "docs" / file)) << file;
            }
        }
    }
    EXPECT_EQ(chm.Read("estilo.css"), test::ReadFile(GuideSources() / "estilo.css"));
}

TEST(HelpFileTest, TheTableOfContentsListsEveryPageByItsTitleAndTheIndexOnlyPagesOfTheGuide) {
    const CompiledHelp chm;
    const std::vector<std::string> pages = SourcePages();
    // HTML Help reads the contents and the index in the code page of the
    // file's language, Windows-1252.
    const std::vector<SitemapEntry> contents = Sitemap(Cp1252ToUtf8(chm.Read("SIRAVEL.hhc")));
    std::multiset<std::string> listed;
    for (const SitemapEntry& entry : contents) {
        listed.insert(entry.local);
        if (std::find(pages.begin(), pages.end(), entry.local) == pages.end()) {
            ADD_FAILURE() << "the contents list " << entry.local << ", which is no page";
            continue;
        }
        EXPECT_EQ(entry.name, Title(chm.Read(entry.local))) << entry.local;
    }
    EXPECT_EQ(listed, std::multiset<std::string>(pages.begin(), pages.end()))
        << "each page once in the table of contents";
    EXPECT_EQ(contents.front().local, "index.html");

    const std::vector<SitemapEntry> index = Sitemap(Cp1252ToUtf8(chm.Read("SIRAVEL.hhk")));
    EXPECT_GE(index.size(), 20u);
    for (const SitemapEntry& entry : index) {
        EXPECT_FALSE(entry.name.empty());
        const std::string page = entry.local.substr(0, entry.local.find('#'));
        EXPECT_NE(std::find(pages.begin(), pages.end(), page), pages.end()) << entry.name;
    }
    // The accents came through the code page: "Catálogo" and not its UTF-8 bytes.
    bool accented = false;
    for (const SitemapEntry& entry : index) accented |= entry.name == "Catálogo de niveles";
    EXPECT_TRUE(accented);
}

TEST(HelpFileTest, TheHelpContextsOpenTheirWindowsTopics) {
    const CompiledHelp chm;
    std::map<std::uint32_t, std::string> topics = ContextTopics(chm);
    ASSERT_EQ(topics.count(kMainWindowContext), 1u) << "no help context 3";
    // The page's name inside the file, as HTML Help looks it up.
    EXPECT_EQ(topics[kMainWindowContext], kMainWindowTopic);
    EXPECT_EQ(Title(chm.Read(kMainWindowTopic)), "La ventana de Vindeleo");
    // F1 on the window of the copies.
    ASSERT_EQ(topics.count(kCopiesHelpContext), 1u) << "no help context " << kCopiesHelpContext;
    EXPECT_EQ(topics[kCopiesHelpContext], "ventana-copias.html");
    EXPECT_EQ(Title(chm.Read("ventana-copias.html")), "La ventana de las copias");
    for (const auto& [context, topic] : topics) EXPECT_TRUE(chm.Has(topic)) << context << ": " << topic;
}

// --- the pages beside the programs ----------------------------------------------

TEST(HelpGuideFolderTest, HoldsTheSamePagesAndEveryLinkLeadsToAFileOfIt) {
    const fs::path folder = test::BinaryDir() / "ayuda";
    ASSERT_TRUE(fs::is_regular_file(folder / "index.html"));
    for (const std::string& page : SourcePages()) {
        ASSERT_TRUE(fs::is_regular_file(folder / page)) << page;
        const std::string text = test::ReadFile(folder / page);
        EXPECT_EQ(text, test::ReadFile(GuideSources() / page)) << page;
        for (const std::string& file : References(text))
            EXPECT_TRUE(fs::is_regular_file(folder / file)) << page << " refers to " << file << ", not in ayuda/";
    }
    // Every page is reached from the index.
    const std::set<std::string> fromIndex = References(test::ReadFile(folder / "index.html"));
    for (const std::string& page : SourcePages())
        if (page != "index.html") {
            EXPECT_TRUE(fromIndex.count(page)) << page << " has no link in index.html";
        }
}

// --- the installation page ---------------------------------------------------------

// The names that the installation page gives staff are the setup program's
// own, as its scripts define them: the uninstaller, each Start menu entry, the
// folder it proposes and its silent options.
TEST(HelpGuideInstallationTest, NamesWhatTheSetupProgramInstallsAsItsScriptsDefineIt) {
    const fs::path setup = test::SourceDir() / "src" / "setup";
    const std::string shared = test::ReadFile(setup / "vindeleo.nsh");
    const std::string installer = test::ReadFile(setup / "setup.nsi");
    const std::string page = test::ReadFile(GuideSources() / "instalar.html");
    const auto defined = [](const std::string& script, const std::string& name) {
        std::smatch found;
        EXPECT_TRUE(std::regex_search(script, found, std::regex("!define " + name + " \"([^\"]+)\""))) << name;
        return found.empty() ? std::string("?") : found[1].str();
    };
    const auto onPage = [&](const std::string& text) { return page.find(text) != std::string::npos; };

    const std::string uninstaller = defined(shared, "UNINSTALLER");
    const std::string folder = defined(installer, "DEFAULT_FOLDER");
    EXPECT_TRUE(onPage("<code>" + uninstaller + "</code>"));
    EXPECT_TRUE(onPage("<code>" + folder + "</code>"));
    EXPECT_TRUE(onPage("setup.exe /S /D=" + folder));
    EXPECT_TRUE(onPage("\"" + folder + "\\" + uninstaller + "\" /S"));
    static const std::regex shortcut(R"re(!insertmacro \$\{MACRO\} "([^"]+)" "[^"]+" "[^"]*")re");
    int shortcuts = 0;
    for (auto it = std::sregex_iterator(shared.begin(), shared.end(), shortcut); it != std::sregex_iterator(); ++it) {
        ++shortcuts;
        EXPECT_TRUE(onPage("<b>" + (*it)[1].str() + "</b>")) << (*it)[1].str();
    }
    EXPECT_GE(shortcuts, 2);
}

// --- the messages -------------------------------------------------------------------

// The message constants of a header (inline constexpr const char* kName =
// "..." "...";), their C escapes decoded: Windows-1252 bytes. A header is
// read up to the line `until`, when given.
std::map<std::string, std::string> MessageConstants(const fs::path& header, const std::string& until = {}) {
    std::string text = test::ReadFile(header);
    if (!until.empty()) {
        const std::size_t end = text.find(until);
        EXPECT_NE(end, std::string::npos) << until;
        text = text.substr(0, end);
    }
    std::map<std::string, std::string> constants;
    static const std::regex constant(R"re(inline constexpr const char\* (k\w+) =\s*((?:"(?:[^"\\]|\\.)*"\s*)+);)re");
    static const std::regex literal(R"re("((?:[^"\\]|\\.)*)")re");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), constant); it != std::sregex_iterator(); ++it) {
        const std::string literals = (*it)[2];
        std::string value;
        for (auto l = std::sregex_iterator(literals.begin(), literals.end(), literal); l != std::sregex_iterator(); ++l) {
            const std::string body = (*l)[1];
            for (std::size_t i = 0; i < body.size(); ++i) {
                if (body[i] != '\\') {
                    value += body[i];
                    continue;
                }
                const char escape = body[++i];
                if (escape == 'x') {  // every hex digit that follows, as C reads it
                    std::size_t digits = 0;
                    while (i + 1 + digits < body.size() && std::isxdigit(static_cast<unsigned char>(body[i + 1 + digits])))
                        ++digits;
                    const int byte = std::stoi(body.substr(i + 1, digits), nullptr, 16);
                    EXPECT_LE(byte, 0xFF) << header << ": " << body;  // as the compiler would refuse it
                    value += static_cast<char>(byte);
                    i += digits;
                } else if (escape == 'n') {
                    value += '\n';
                } else {
                    value += escape;  // \\ \" \'
                }
            }
        }
        constants[(*it)[1]] = value;
    }
    return constants;
}

// Runs of white space made one blank, none at the ends when trim.
std::string OneBlank(const std::string& text, bool trim) {
    std::string normal;
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c))) {
            normal += c;
        } else if (normal.empty() ? !trim : normal.back() != ' ') {
            normal += ' ';
        }
    }
    while (trim && !normal.empty() && normal.back() == ' ') normal.pop_back();
    return normal;
}

// The texts of the blocks (paragraphs, list items, table cells, headings,
// definitions ...) of the guide's pages, or of the pages given: tags dropped,
// entities decoded, runs of white space made one blank.
std::vector<std::string> GuideBlocks(const std::vector<std::string>& pages = SourcePages()) {
    static const std::set<std::string> inlineTags{"a", "b", "i", "em", "strong", "code", "var", "span", "img", "br"};
    std::vector<std::string> blocks;
    for (const std::string& page : pages) {
        const std::string html = test::ReadFile(GuideSources() / page);
        std::string block;
        auto flush = [&] {
            const std::string normal = OneBlank(block, true);
            if (!normal.empty()) blocks.push_back(normal);
            block.clear();
        };
        for (std::size_t i = 0; i < html.size();) {
            if (html.compare(i, 4, "<!--") == 0) {
                i = html.find("-->", i) + 3;
            } else if (html[i] == '<') {
                const std::size_t end = html.find('>', i);
                std::string name;
                for (std::size_t j = i + 1; j < end && (std::isalnum(static_cast<unsigned char>(html[j])) || html[j] == '/' || html[j] == '!'); ++j)
                    if (html[j] != '/') name += static_cast<char>(std::tolower(static_cast<unsigned char>(html[j])));
                if (!inlineTags.count(name)) flush();
                i = end + 1;
            } else if (html[i] == '&') {
                const std::size_t end = html.find(';', i);
                const std::string entity = html.substr(i + 1, end - i - 1);
                static const std::map<std::string, std::string> named{
                    {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
                if (named.count(entity)) {
                    block += named.at(entity);
                } else if (entity.size() > 1 && entity[0] == '#') {
                    char utf8[4];
                    const bool hex = entity[1] == 'x' || entity[1] == 'X';
                    const auto code = static_cast<char32_t>(std::stoul(entity.substr(hex ? 2 : 1), nullptr, hex ? 16 : 10));
                    block.append(utf8, EncodeUtf8(code, utf8));
                } else {
                    ADD_FAILURE() << page << ": unknown entity &" << entity << ";";
                }
                i = end + 1;
            } else {
                block += html[i++];
            }
        }
        flush();
    }
    return blocks;
}

// Whether some block holds the message: its fixed parts (the text around
// each %s and %d), in order. The message in Windows-1252.
bool InGuide(const std::string& message1252, const std::vector<std::string>& blocks) {
    std::vector<std::string> parts{""};
    const std::string message = Cp1252ToUtf8(message1252);
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '%' && i + 1 < message.size() && (message[i + 1] == 's' || message[i + 1] == 'd')) {
            parts.emplace_back();
            ++i;
        } else if (message[i] == '%' && i + 1 < message.size() && message[i + 1] == '%') {
            parts.back() += '%';
            ++i;
        } else {
            parts.back() += message[i];
        }
    }
    for (std::string& part : parts) part = OneBlank(part, false);  // as HTML shows a run of blanks
    // A message ends where a word ends: "1 tabla" is not found in "9 tablas".
    const auto endsWord = [](const std::string& block, std::size_t end) {
        if (end >= block.size()) return true;
        const auto next = static_cast<unsigned char>(block[end]);
        return !std::isalnum(next) && next != 0xC3;  // 0xC3 leads the UTF-8 of á, é, ñ ...
    };
    for (const std::string& block : blocks) {
        std::size_t at = 0;
        bool all = true;
        for (std::size_t i = 0; i < parts.size() && all; ++i) {
            std::size_t found = block.find(parts[i], at);
            if (i + 1 == parts.size() && !parts[i].empty())
                while (found != std::string::npos && !endsWord(block, found + parts[i].size()))
                    found = block.find(parts[i], found + 1);
            all = found != std::string::npos;
            at = all ? found + parts[i].size() : at;
        }
        if (all) return true;
    }
    return false;
}

TEST(HelpGuideMessagesTest, TheHeadersAreReadAsTheProgramReadsThem) {
    const auto messages = MessageConstants(test::SourceDir() / "src" / "text" / "Messages.h",
                                           "// Texts of the desktop windows.");
    const auto tableMessages = MessageConstants(test::SourceDir() / "src" / "tables" / "TableMessages.h");
    // Split literals, escapes followed by letters, several lines.
    EXPECT_EQ(messages.at("kNoFreeCode"), msg::kNoFreeCode);
    EXPECT_EQ(messages.at("kXmlUnreadEntity"), msg::kXmlUnreadEntity);
    EXPECT_EQ(messages.at("kNoCatalogue"), msg::kNoCatalogue);
    EXPECT_EQ(tableMessages.at("kDamaged"), tables::msg::kDamaged);
    EXPECT_EQ(tableMessages.at("kIndexNotKept"), tables::msg::kIndexNotKept);
    EXPECT_EQ(tableMessages.at("kSystemError"), tables::msg::kSystemError);
    // The window's own texts are not messages.
    EXPECT_FALSE(messages.count("kApplicationTitle"));
    EXPECT_FALSE(messages.count("kContinue"));
    EXPECT_GE(messages.size(), 17u);
    EXPECT_GE(tableMessages.size(), 50u);

    // The search itself: a text that the guide does not hold is not found,
    // nor the parts of a message out of their order.
    const std::vector<std::string> blocks = GuideBlocks();
    EXPECT_TRUE(InGuide(msg::kNoWorkingDirectory, blocks));
    EXPECT_FALSE(InGuide("No se puede abrir la tabla %s porque es martes", blocks));
    EXPECT_FALSE(InGuide("no coincide con la de los campos (%s) la longitud de registro de la cabecera (%s)", blocks));
    // Blanks as HTML shows them: a run of them is one.
    EXPECT_TRUE(InGuide("Proceso  finalizado", blocks));
    // A message's end is the end of a word there.
    EXPECT_FALSE(InGuide("Proceso finaliza", blocks));
    EXPECT_TRUE(InGuide(msg::kCopyLineOneTable, blocks));
}

// Every message is on the messages page; the lines of the check's report may
// instead be on the check's page, which explains the report line by line.
TEST(HelpGuideMessagesTest, EveryMessageOfTheProgramIsOnTheMessagesPageWordForWord) {
    const std::vector<std::string> messagesPage = GuideBlocks({"mensajes.html"});
    const std::vector<std::string> checkPage = GuideBlocks({"comprobar.html"});
    const fs::path header = test::SourceDir() / "src" / "text" / "Messages.h";
    // The report's constants: the header's part from its comment on the check
    // to the next part's.
    auto reportLines = MessageConstants(header, "// A run or a window's action ended");
    for (const auto& name : MessageConstants(header, "// The check of an import")) reportLines.erase(name.first);
    EXPECT_TRUE(reportLines.count("kCheckCodes"));
    EXPECT_FALSE(reportLines.count("kCopyLine"));
    EXPECT_FALSE(reportLines.count("kOutOfMemory"));
    for (const auto& [path, until] : std::vector<std::pair<fs::path, std::string>>{
             {header, "// Texts of the desktop windows."},
             {test::SourceDir() / "src" / "tables" / "TableMessages.h", ""}}) {
        for (const auto& [name, text] : MessageConstants(path, until)) {
            const bool onPage = InGuide(text, messagesPage) || (reportLines.count(name) && InGuide(text, checkPage));
            EXPECT_TRUE(onPage) << path.filename().string() << " " << name << ": \"" << Cp1252ToUtf8(text)
                                << "\" is not on the messages page" << (reportLines.count(name) ? " nor the check's" : "");
        }
    }
}

}  // namespace
}  // namespace vindeleo
