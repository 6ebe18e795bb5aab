#pragma once
// Reading an exchange document into a libxml2 tree without trusting the file:
// no network, no external entity, DTD or parameter entity read, so nothing
// outside the file can be read; the document's internal entities are replaced
// by their text, up to a fixed bound on the text they add, so nothing can
// expand without bound. Private to the document layer.

#include <filesystem>

#include "document/ExchangeDocument.h"

namespace vindeleo::xmlload {

// Initialises libxml2 once for the process, installs an external entity loader
// that refuses every request, and keeps libxml2 from writing to the console.
void EnsureLibxmlReady();

struct ParsedFile {
    XmlDocument doc;  // none unless status is Loaded
    LoadResult result;
};

// Parses the whole file and drops the white space that only separates elements.
ParsedFile ParseFile(const std::filesystem::path& file);

// Removes the text nodes made only of blanks, tabs, carriage returns and line
// feeds from every element that has an element child, as the platform's reader
// does by default: the indentation of a pretty-printed file is not content.
void DropSeparatingBlanks(_xmlDoc* doc);

}  // namespace vindeleo::xmlload
