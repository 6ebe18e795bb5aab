#pragma once
// The copies that every import (and every restore) keeps of the table files it
// replaced or took away, so that staff can bring back the tables of before.
//
// They lie in the working directory's folder COPIAS, one folder per copy,
// named by the local date and time of its run, "yyyymmdd-hhmmss" (a second run
// within the same second adds "-2", "-3", ...). A copy folder holds the kept
// files under their own names and the description COPIA.TXT. A copy comes into
// COPIAS whole, by one rename of a folder that already holds every file and
// the description, so a run that is killed or fails leaves no copy at all,
// never part of one.
//
// COPIA.TXT, Windows-1252 text, one "key=value" per line:
//   fecha=dd/mm/yyyy hh:mm:ss        when the run put its tables in place
//   orden=<n>                        the copy's place among the copies: one more
//                                    than the highest of the others
//   documento=<full path>            the exchange document imported (import)
//   plantilla=<code>                 the school-day template taken (import)
//   restaurada=<label>               the copy that was put back (restore)
//   archivo=<name>;<records>;<bytes>;<crc32, 8 hex digits>   one per kept file
//   archivos=<n>                     the last line: how many files it lists
// <records> is the record count of a .DBF's header (0 for other files); the
// size and the CRC-32 (IEEE) of the file's bytes tell a damaged copy from a
// whole one. A description that does not end with its count, names a file
// twice or is larger than kMaxDescriptionBytes is not whole. One written
// before copies were numbered (no "orden" nor "archivos") is whole only when
// it lists exactly the files of its folder; it counts as older than every
// numbered copy.
//
// The copies are ordered by "orden", not by their labels: a clock that goes
// back (the end of summer time, a corrected clock) gives a label earlier than
// the last, but never puts the newest copy below the others.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace vindeleo {

// Where a set of tables came from: an import of a document, or a restore.
struct CopyOrigin {
    std::string document;      // full path, Windows-1252 (import)
    std::string templateCode;  // (import)
    std::string restoredFrom;  // label of the copy put back (restore)
};

struct KeptFile {
    std::string name;  // Windows-1252
    std::uint32_t records = 0;
    std::uintmax_t bytes = 0;
    std::uint32_t crc = 0;
};

struct KeptCopy {
    std::string label;
    std::string when;  // dd/mm/yyyy hh:mm:ss
    std::uint64_t order = 0;  // 0: a copy made before copies were numbered
    CopyOrigin origin;
    std::vector<KeptFile> files;
    // Empty when the copy is whole; otherwise what is wrong with it, for the
    // user (Windows-1252).
    std::string fault;

    bool IsWhole() const { return fault.empty(); }
    // The number of tables kept: its .DBF files.
    int TableCount() const;
};

inline constexpr std::size_t kCopiesKept = 10;
// Room for ten thousand lines of the longest file names.
inline constexpr std::size_t kMaxDescriptionBytes = 4u << 20;

std::filesystem::path CopiesFolder(const std::filesystem::path& workingDirectory);
// Raises the message that names COPIAS when it is there but is not a real
// folder (a file, a link, anything else): copies are never written through a
// link nor removed from where one points.
void CheckCopiesFolder(const std::filesystem::path& workingDirectory);

// Whether text has the form of a copy's label (so that it names a folder of
// COPIAS and nothing else).
bool IsCopyLabel(const std::string& text);

// Writes into originFile where the tables come from and the moment of the run,
// before the run's first move, so that the next run can make the copy of a
// run killed during its moves.
void WriteCopyOrigin(const std::filesystem::path& originFile, const CopyOrigin& origin, std::time_t moment);
// Reads them back; false when the file cannot be read or names no moment.
bool ReadCopyOrigin(const std::filesystem::path& originFile, CopyOrigin& origin, std::time_t& moment);

// Makes keptFolder (the files a run replaced or took away) a copy: describes
// its files, the origin and the moment of the run in COPIA.TXT, flushes them
// to disk, and moves the folder into COPIAS under a free label of that moment,
// which it returns. Raises std::filesystem::filesystem_error when the copy
// cannot be made; keptFolder is then where it was. Once the folder is in
// COPIAS nothing is raised: a failed flush of COPIAS is set in unflushed.
std::string KeepCopy(const std::filesystem::path& workingDirectory, const std::filesystem::path& keptFolder,
                     const CopyOrigin& origin, std::time_t moment, std::error_code& unflushed);

// Removes the oldest copies beyond the newest `kept`; a copy that cannot be
// removed is left for a later run.
void RemoveOldCopies(const std::filesystem::path& workingDirectory, std::size_t kept = kCopiesKept);

// The copies in COPIAS, newest first. Each is checked as far as its
// description and the presence and size of its files; a folder with a label's
// name but no readable description is listed with its fault.
std::vector<KeptCopy> ListCopies(const std::filesystem::path& workingDirectory);

// Whether COPIAS holds a folder of that label.
bool CopyExists(const std::filesystem::path& workingDirectory, const std::string& label);

// The copy of that label, every file read and checked against its size and
// CRC-32; the bytes come in `contents`, in the order of copy.files. A copy
// that is not whole comes back with its fault and no contents.
KeptCopy ReadWholeCopy(const std::filesystem::path& workingDirectory, const std::string& label,
                       std::vector<std::string>& contents);

}  // namespace vindeleo
