#include "session/IniFile.h"

#include <fstream>
#include <optional>
#include <iterator>
#include <system_error>
#include <vector>

#include "platform/PathText.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// One line of the file: where its text starts and ends, and where the next
// line starts (after its line end, if it has one).
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;   // end of the text, before "\r\n" or "\n"
    std::size_t next = 0;  // start of the next line
    bool HasLineEnd() const { return next > end; }
};

std::vector<Line> SplitLines(std::string_view contents) {
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < contents.size()) {
        const std::size_t newline = contents.find('\n', begin);
        Line line;
        line.begin = begin;
        if (newline == std::string_view::npos) {
            line.end = line.next = contents.size();
        } else {
            line.end = (newline > begin && contents[newline - 1] == '\r') ? newline - 1 : newline;
            line.next = newline + 1;
        }
        lines.push_back(line);
        begin = line.next;
    }
    return lines;
}

// The line end the file already uses; CRLF for a file that has none.
std::string_view LineEndOf(std::string_view contents) {
    const std::size_t newline = contents.find('\n');
    if (newline == std::string_view::npos) return "\r\n";
    return (newline > 0 && contents[newline - 1] == '\r') ? "\r\n" : "\n";
}

std::string_view TrimBlanks(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) { return FoldCase1252(a) == FoldCase1252(b); }

// A line's text, without the byte-order mark that may open the file.
std::string_view TextOf(std::string_view contents, const Line& line) {
    std::string_view text = contents.substr(line.begin, line.end - line.begin);
    if (line.begin == 0 && text.starts_with(kUtf8Mark)) text.remove_prefix(kUtf8Mark.size());
    return text;
}

// The name of a section header line ("[name]"), or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view text) {
    text = TrimBlanks(text);
    if (!text.starts_with('[')) return std::nullopt;
    text.remove_prefix(1);
    const std::size_t close = text.find(']');
    return TrimBlanks(text.substr(0, close));
}

// The key of a "key=value" line (a line with no '=' is a key without value);
// nothing for blank and comment lines.
std::optional<std::string_view> KeyName(std::string_view text) {
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
    return TrimBlanks(text.substr(0, text.find('=')));
}

}  // namespace

std::string WithProfileValue(std::string_view contents, std::string_view section, std::string_view key,
                             std::string_view value) {
    const std::vector<Line> lines = SplitLines(contents);
    const std::string_view lineEnd = LineEndOf(contents);
    const std::string entry = std::string(key) + "=" + std::string(value);

    // The first section of that name, and its lines up to the next header.
    std::size_t header = lines.size();
    for (std::size_t i = 0; i < lines.size() && header == lines.size(); ++i) {
        const auto name = SectionName(TextOf(contents, lines[i]));
        if (name && SameName(*name, section)) header = i;
    }

    std::string out;
    if (header == lines.size()) {
        out = contents;
        if (!lines.empty()) {
            if (!lines.back().HasLineEnd()) out += lineEnd;
            if (!TrimBlanks(TextOf(contents, lines.back())).empty()) out += lineEnd;  // a blank line between sections
        }
        out += "[" + std::string(section) + "]" + std::string(lineEnd) + entry + std::string(lineEnd);
        return out;
    }

    std::size_t lastFilled = header;  // the new key goes after the section's last non-blank line
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
        const std::string_view text = TextOf(contents, lines[i]);
        if (SectionName(text)) break;
        if (const auto name = KeyName(text); name && SameName(*name, key)) {
            // Keep the key as the file spells it, and the line's own line end.
            const std::size_t keyStart = static_cast<std::size_t>(name->data() - contents.data());
            out = contents.substr(0, keyStart);
            out += *name;
            out += "=";
            out += value;
            out += contents.substr(lines[i].end);
            return out;
        }
        if (!TrimBlanks(text).empty()) lastFilled = i;
    }

    const Line& after = lines[lastFilled];
    out = contents.substr(0, after.next);
    if (!after.HasLineEnd()) out += lineEnd;
    out += entry + std::string(lineEnd);
    out += contents.substr(after.next);
    return out;
}

void WriteProfileString(const fs::path& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    const auto fail = [&] { return Error(Format(msg::kCannotWrite, PathText(fs::absolute(file)))); };
    std::error_code error;
    if (fs::exists(file, error) && !fs::is_regular_file(file, error)) throw fail();

    std::string contents;
    if (fs::exists(file, error)) {
        std::ifstream in(file, std::ios::binary);
        if (!in) throw fail();
        contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) throw fail();
    }

    const std::string updated = WithProfileValue(contents, section, key, value);
    // In place: the same file is rewritten, so its owner, permissions and links stay.
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) throw fail();
    out.write(updated.data(), static_cast<std::streamsize>(updated.size()));
    out.close();
    if (!out) throw fail();
}

}  // namespace vindeleo
