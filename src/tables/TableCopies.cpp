#include "tables/TableCopies.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <sstream>
#include <tuple>
#include <unordered_set>

#include "platform/FileNames.h"
#include "platform/Files.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "platform/RegionalTime.h"
#include "tables/DbfFormat.h"
#include "tables/FileReason.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCopiesFolder = "COPIAS";
constexpr const char* kDescriptionFile = "COPIA.TXT";

constexpr const char* kWhenKey = "fecha";
constexpr const char* kDocumentKey = "documento";
constexpr const char* kTemplateKey = "plantilla";
constexpr const char* kRestoredKey = "restaurada";
constexpr const char* kMomentKey = "momento";  // of the origin file only: seconds since 1970
constexpr const char* kFileKey = "archivo";
constexpr const char* kOrderKey = "orden";
constexpr const char* kCountKey = "archivos";  // the last line of a whole description

// CRC-32 of the IEEE polynomial (reflected 0xEDB88320), as zip computes it.
std::uint32_t Crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : bytes) crc = table[(crc ^ static_cast<unsigned char>(byte)) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string Hex8(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// A plain file's bytes (never through a link, never a special file), or
// nothing when it cannot be read or holds more than limit bytes.
std::optional<std::string> ReadBytes(const fs::path& file, std::uintmax_t limit) {
    std::string bytes;
    std::error_code error;
    const std::size_t most = limit >= std::string::npos - 1 ? std::string::npos : static_cast<std::size_t>(limit) + 1;
    if (!platform::ReadContent(file, bytes, error, most) || bytes.size() > limit) return std::nullopt;
    return bytes;
}

// The "key=value" lines of a description, in order.
std::vector<std::pair<std::string, std::string>> KeyValues(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        pairs.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return pairs;
}

std::string TwoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

bool HasExtension(const std::string& name, std::string_view extension) {
    return name.size() > extension.size() &&
           FoldCase1252(name.substr(name.size() - extension.size())) == FoldCase1252(extension);
}

// "archivo=NAME;RECORDS;BYTES;CRC", read back; nothing when the line is not of that form.
std::optional<KeptFile> ParseKeptFile(const std::string& value) {
    const auto third = value.rfind(';');
    if (third == std::string::npos || third == 0) return std::nullopt;
    const auto second = value.rfind(';', third - 1);
    if (second == std::string::npos || second == 0) return std::nullopt;
    const auto first = value.rfind(';', second - 1);
    if (first == std::string::npos) return std::nullopt;
    KeptFile file;
    file.name = value.substr(0, first);
    try {
        std::size_t used = 0;
        const std::string records = value.substr(first + 1, second - first - 1);
        const std::string bytes = value.substr(second + 1, third - second - 1);
        const std::string crc = value.substr(third + 1);
        file.records = static_cast<std::uint32_t>(std::stoul(records, &used));
        if (used != records.size()) return std::nullopt;
        file.bytes = std::stoull(bytes, &used);
        if (used != bytes.size()) return std::nullopt;
        file.crc = static_cast<std::uint32_t>(std::stoul(crc, &used, 16));
        if (used != crc.size() || crc.size() != 8) return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (!platform::IsPlainFileName(file.name)) return std::nullopt;
    return file;
}

// A whole number written in decimal digits only, of at most 18 of them.
std::optional<std::uint64_t> ReadCount(const std::string& text) {
    if (text.empty() || text.size() > 18 || !std::all_of(text.begin(), text.end(), [](char c) {
            return c >= '0' && c <= '9';
        }))
        return std::nullopt;
    return std::stoull(text);
}

// The names of the plain files of a copy's folder, its description aside,
// in folded letter case (a copy's files may have been renamed in another).
std::unordered_set<std::string> FilesOfFolder(const fs::path& folder) {
    std::unordered_set<std::string> names;
    std::error_code error;
    for (const auto& entry : platform::ListDirectory(folder, error)) {
        std::error_code ignored;
        const std::string name = PathText(entry.path().filename());
        if (platform::KindOfName(entry.path(), ignored) == platform::NameKind::File && name != kDescriptionFile)
            names.insert(FoldCase1252(name));
    }
    return names;
}

// A kept file in its copy's folder: under its own name, else in another
// letter case (where names differ in case, someone may have renamed it).
fs::path KeptFilePath(const fs::path& folder, const std::string& name) {
    return platform::ExistingSpelling(folder / PathFromText(name));
}

std::unordered_set<std::string> FoldedNames(const std::unordered_set<std::string>& names) {
    std::unordered_set<std::string> folded;
    for (const std::string& name : names) folded.insert(FoldCase1252(name));
    return folded;
}

// Reads a description into copy; sets copy.fault when it is not whole.
void ReadDescription(const std::string& text, const fs::path& folder, KeptCopy& copy) {
    const auto pairs = KeyValues(text);
    std::optional<std::uint64_t> count;
    bool countIsLast = false;
    std::unordered_set<std::string> names;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const auto& [key, value] = pairs[i];
        if (key == kWhenKey) copy.when = value;
        else if (key == kDocumentKey) copy.origin.document = value;
        else if (key == kTemplateKey) copy.origin.templateCode = value;
        else if (key == kRestoredKey) copy.origin.restoredFrom = value;
        else if (key == kOrderKey || key == kCountKey) {
            const auto number = ReadCount(value);
            if (!number) {
                copy.fault = msg::kCopyBadDescription;
                return;
            }
            if (key == kOrderKey) copy.order = *number;
            else count = number, countIsLast = i + 1 == pairs.size();
        } else if (key == kFileKey) {
            const auto file = ParseKeptFile(value);
            if (!file) {
                copy.fault = msg::kCopyBadDescription;
                return;
            }
            if (!names.insert(file->name).second) {
                copy.fault = Format(msg::kCopyFileTwice, file->name);
                return;
            }
            copy.files.push_back(*file);
        }
    }
    if (copy.when.empty()) {
        copy.fault = msg::kCopyBadDescription;
    } else if (count) {
        if (!countIsLast || *count != copy.files.size()) copy.fault = msg::kCopyDescriptionCut;
    } else if (copy.order != 0 || FilesOfFolder(folder) != FoldedNames(names)) {
        // Written before descriptions ended with their count: whole only when
        // it names every file of its folder.
        copy.fault = msg::kCopyDescriptionCut;
    }
}

// The copy's description read, and its files checked for presence and size;
// `fault` tells what is wrong.
KeptCopy DescribeFolder(const fs::path& folder, const std::string& label) {
    KeptCopy copy;
    copy.label = label;
    const fs::path description = folder / kDescriptionFile;
    std::string text;
    std::error_code error;
    if (!platform::ReadContent(description, text, error, kMaxDescriptionBytes + 1)) {
        // Missing, a link or a special file: the copy is damaged. Any other
        // failure says nothing of the copy, and taking it for damaged would
        // rank it below the others, where the clean-up removes it.
        const platform::FileFault fault = platform::FaultOf(error);
        if (fault != platform::FileFault::NotFound && fault != platform::FileFault::NotPlainFile)
            throw fs::filesystem_error("read", description, error);
        copy.fault = msg::kCopyNoDescription;
        return copy;
    }
    if (text.size() > kMaxDescriptionBytes) {
        copy.fault = msg::kCopyNoDescription;
        return copy;
    }
    ReadDescription(text, folder, copy);
    if (!copy.IsWhole()) return copy;
    for (const KeptFile& file : copy.files) {
        std::error_code error;
        const fs::path path = KeptFilePath(folder, file.name);
        const auto size = platform::FileSize(path, error);
        if (error) {
            copy.fault = Format(msg::kCopyMissingFile, file.name);
            return copy;
        }
        if (size != file.bytes) {
            copy.fault = Format(msg::kCopyFileChanged, file.name);
            return copy;
        }
    }
    return copy;
}

// The label of a copy folder: its base (date and time) and its number within
// the second, for ordering ("-10" comes after "-9").
std::pair<std::string, int> LabelOrder(const std::string& label) {
    if (label.size() == 15) return {label, 1};
    return {label.substr(0, 15), std::stoi(label.substr(16))};
}

// The label folders of COPIAS, unordered: real folders only, in a COPIAS
// that is one. A COPIAS or a label that cannot be looked at raises
// std::filesystem::filesystem_error: taken for missing, it would give the
// next copy an order below the copies it cannot see.
std::vector<std::string> LabelFolders(const fs::path& workingDirectory) {
    std::vector<std::string> labels;
    std::error_code error;
    const fs::path copies = CopiesFolder(workingDirectory);
    const platform::NameKind kind = platform::KindOfName(copies, error);
    if (error) throw fs::filesystem_error("status", copies, error);
    if (kind != platform::NameKind::Directory) return labels;
    const auto entries = platform::ListDirectory(copies, error);
    if (error) throw fs::filesystem_error("list", copies, error);
    for (const auto& entry : entries) {
        const std::string name = PathText(entry.path().filename());
        if (!IsCopyLabel(name)) continue;
        const platform::NameKind labelKind = platform::KindOfName(entry.path(), error);
        if (error) throw fs::filesystem_error("status", entry.path(), error);
        if (labelKind == platform::NameKind::Directory) labels.push_back(name);
    }
    return labels;
}

// The copies of COPIAS described, newest first: by their order, and those
// made before copies were numbered by their labels, below the others.
std::vector<KeptCopy> DescribedCopies(const fs::path& workingDirectory) {
    std::vector<KeptCopy> copies;
    for (const std::string& label : LabelFolders(workingDirectory))
        copies.push_back(DescribeFolder(CopiesFolder(workingDirectory) / label, label));
    std::sort(copies.begin(), copies.end(), [](const KeptCopy& a, const KeptCopy& b) {
        return std::make_pair(a.order, LabelOrder(a.label)) > std::make_pair(b.order, LabelOrder(b.label));
    });
    return copies;
}

// When and where from: the lines that a description and the origin file share.
std::string OriginText(const KeptCopy& copy) {
    std::string text = std::string(kWhenKey) + "=" + copy.when + "\r\n";
    if (!copy.origin.document.empty()) text += std::string(kDocumentKey) + "=" + copy.origin.document + "\r\n";
    if (!copy.origin.templateCode.empty()) text += std::string(kTemplateKey) + "=" + copy.origin.templateCode + "\r\n";
    if (!copy.origin.restoredFrom.empty()) text += std::string(kRestoredKey) + "=" + copy.origin.restoredFrom + "\r\n";
    return text;
}

std::string DescriptionText(const KeptCopy& copy) {
    std::string text = OriginText(copy) + kOrderKey + "=" + std::to_string(copy.order) + "\r\n";
    for (const KeptFile& file : copy.files)
        text += std::string(kFileKey) + "=" + file.name + ";" + std::to_string(file.records) + ";" +
                std::to_string(file.bytes) + ";" + Hex8(file.crc) + "\r\n";
    return text + kCountKey + "=" + std::to_string(copy.files.size()) + "\r\n";
}

// One kept file described from its bytes: a .DBF's record count from its
// header (a header that cannot be read counts none; the file is kept as it is).
KeptFile DescribeFile(const fs::path& path) {
    const auto bytes = ReadBytes(path, std::numeric_limits<std::uintmax_t>::max());
    if (!bytes) throw fs::filesystem_error("read", path, std::make_error_code(std::errc::io_error));
    KeptFile file;
    file.name = PathText(path.filename());
    file.bytes = bytes->size();
    file.crc = Crc32(*bytes);
    if (HasExtension(file.name, ".DBF")) {
        try {
            file.records = dbf::ParseHeader(*bytes, file.name).recordCount;
        } catch (const std::exception&) {
            file.records = 0;
        }
    }
    return file;
}

// The label that the moment gives, and its date and time as the listing shows it.
std::pair<std::string, std::string> LabelAndWhen(std::time_t moment) {
    const std::tm t = LocalTime(moment);
    const std::string year = std::to_string(t.tm_year + 1900);
    const std::string label = year + TwoDigits(t.tm_mon + 1) + TwoDigits(t.tm_mday) + "-" + TwoDigits(t.tm_hour) +
                              TwoDigits(t.tm_min) + TwoDigits(t.tm_sec);
    return {label, PlainDateTime(t)};
}

bool Exists(const fs::path& path) {
    std::error_code error;
    return platform::Exists(path, error) || error;  // a name that cannot be looked at is not taken
}

}  // namespace

int KeptCopy::TableCount() const {
    return static_cast<int>(
        std::count_if(files.begin(), files.end(), [](const KeptFile& f) { return HasExtension(f.name, ".DBF"); }));
}

fs::path CopiesFolder(const fs::path& workingDirectory) { return workingDirectory / kCopiesFolder; }

void CheckCopiesFolder(const fs::path& workingDirectory) {
    std::error_code error;
    const fs::path copies = CopiesFolder(workingDirectory);
    const platform::NameKind kind = platform::KindOfName(copies, error);
    if (error) throw fs::filesystem_error("status", copies, error);
    if (kind != platform::NameKind::None && kind != platform::NameKind::Directory)
        throw Error(Format(msg::kCopiesNotAFolder, PathText(copies)));
}

bool IsCopyLabel(const std::string& text) {
    auto digits = [&](std::size_t from, std::size_t count) {
        return std::all_of(text.begin() + from, text.begin() + from + count,
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    if (text.size() < 15 || !digits(0, 8) || text[8] != '-' || !digits(9, 6)) return false;
    if (text.size() == 15) return true;
    // "-N", N from 2, no leading zero, at most four digits
    return text.size() >= 17 && text.size() <= 20 && text[15] == '-' && text[16] != '0' &&
           digits(16, text.size() - 16);
}

void WriteCopyOrigin(const fs::path& originFile, const CopyOrigin& origin, std::time_t moment) {
    KeptCopy copy;
    copy.when = LabelAndWhen(moment).second;
    copy.origin = origin;
    const std::string text =
        OriginText(copy) + kMomentKey + "=" + std::to_string(static_cast<long long>(moment)) + "\r\n";
    std::error_code error;
    platform::ReplaceContent(originFile, {text}, error);
    if (error) throw fs::filesystem_error("origin", originFile, error);
}

bool ReadCopyOrigin(const fs::path& originFile, CopyOrigin& origin, std::time_t& moment) {
    const auto text = ReadBytes(originFile, kMaxDescriptionBytes);
    if (!text) return false;
    bool haveMoment = false;
    for (const auto& [key, value] : KeyValues(*text)) {
        if (key == kDocumentKey) origin.document = value;
        else if (key == kTemplateKey) origin.templateCode = value;
        else if (key == kRestoredKey) origin.restoredFrom = value;
        else if (key == kMomentKey) {
            try {
                moment = static_cast<std::time_t>(std::stoll(value));
                haveMoment = true;
            } catch (const std::exception&) {
            }
        }
    }
    return haveMoment;
}

std::string KeepCopy(const fs::path& workingDirectory, const fs::path& keptFolder, const CopyOrigin& origin,
                     std::time_t moment, std::error_code& unflushed) {
    unflushed.clear();
    KeptCopy copy;
    copy.origin = origin;
    std::string label;
    std::tie(label, copy.when) = LabelAndWhen(moment);

    std::error_code error;
    std::vector<fs::path> kept;
    for (const auto& entry : platform::ListDirectory(keptFolder, error)) {
        std::error_code ignored;
        // A run killed while writing the description leaves its temporary
        // file (".COPIA.TXT.*.tmp"), which goes; no table's name starts with a dot.
        const std::string name = PathText(entry.path().filename());
        if (!entry.is_regular_file(ignored) || name == kDescriptionFile) continue;
        if (name.starts_with('.')) platform::RemoveFile(entry.path());
        else kept.push_back(entry.path());
    }
    if (error) throw fs::filesystem_error("list", keptFolder, error);
    std::sort(kept.begin(), kept.end());
    for (const fs::path& file : kept) copy.files.push_back(DescribeFile(file));

    const std::vector<KeptCopy> existing = DescribedCopies(workingDirectory);
    copy.order = existing.empty() ? 1 : existing.front().order + 1;
    const std::string description = DescriptionText(copy);
    platform::ReplaceContent(keptFolder / kDescriptionFile, {description}, error);
    if (error) throw fs::filesystem_error("description", keptFolder / kDescriptionFile, error);
    platform::MakeDirectoryDurable(keptFolder);

    const fs::path copies = CopiesFolder(workingDirectory);
    platform::CreateDirectories(copies);
    // Numbered after every copy of the same second (the oldest of them may
    // have been removed already).
    int number = 1;
    for (const std::string& existing : LabelFolders(workingDirectory))
        if (LabelOrder(existing).first == label) number = std::max(number, LabelOrder(existing).second + 1);
    for (;; ++number) {
        const std::string free = number == 1 ? label : label + "-" + std::to_string(number);
        const fs::path target = copies / free;
        if (Exists(target)) {
            if (number > 9999) throw fs::filesystem_error("copy", target, std::make_error_code(std::errc::file_exists));
            continue;
        }
        platform::MoveFolder(keptFolder, target, error);
        if (error) throw fs::filesystem_error("copy", keptFolder, target, error);
        // The copy is made: a failed flush now is told, never undone.
        platform::MakeDirectoryDurable(copies, unflushed);
        return free;
    }
}

void RemoveOldCopies(const fs::path& workingDirectory, std::size_t kept) {
    // A clean-up: a COPIAS that cannot be read now keeps its copies until a
    // later run can read it.
    std::vector<KeptCopy> copies;
    try {
        copies = DescribedCopies(workingDirectory);
    } catch (const fs::filesystem_error&) {
        return;
    }
    for (std::size_t i = kept; i < copies.size(); ++i) {
        std::error_code ignored;
        platform::RemoveAll(CopiesFolder(workingDirectory) / copies[i].label, ignored);
    }
}

std::vector<KeptCopy> ListCopies(const fs::path& workingDirectory) {
    CheckCopiesFolder(workingDirectory);
    try {
        return DescribedCopies(workingDirectory);
    } catch (const fs::filesystem_error& failure) {
        throw Error(Format(msg::kCannotReadCopies, PathText(failure.path1()), dbf::ReasonText(failure.code())));
    }
}

bool CopyExists(const fs::path& workingDirectory, const std::string& label) {
    CheckCopiesFolder(workingDirectory);
    std::error_code error;
    return IsCopyLabel(label) &&
           platform::KindOfName(CopiesFolder(workingDirectory) / label, error) == platform::NameKind::Directory;
}

KeptCopy ReadWholeCopy(const fs::path& workingDirectory, const std::string& label, std::vector<std::string>& contents) {
    contents.clear();
    const fs::path folder = CopiesFolder(workingDirectory) / label;
    KeptCopy copy = DescribeFolder(folder, label);
    if (!copy.IsWhole()) return copy;
    for (const KeptFile& file : copy.files) {
        auto bytes = ReadBytes(KeptFilePath(folder, file.name), file.bytes);
        if (!bytes) {
            copy.fault = Format(msg::kCopyMissingFile, file.name);
        } else if (bytes->size() != file.bytes || Crc32(*bytes) != file.crc) {
            copy.fault = Format(msg::kCopyFileChanged, file.name);
        }
        if (!copy.IsWhole()) {
            contents.clear();
            return copy;
        }
        contents.push_back(std::move(*bytes));
    }
    return copy;
}

}  // namespace vindeleo
