#pragma once
// Helpers of the document layer's tests: documents written into a temporary
// directory and loaded, and the independent check by xmllint.

#include <gtest/gtest.h>
#ifdef _WIN32
#include <libxml/parser.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "document/ExchangeDocument.h"
#include "support/TestSupport.h"

namespace vindeleo::test {

// Writes xml (bytes as given) to dir/name and loads it; the load must succeed.
inline ExchangeDocument LoadXml(const TempDir& dir, const std::string& xml, const std::string& name = "doc.xml") {
    const std::filesystem::path file = dir / name;
    WriteFile(file, xml);
    ExchangeDocument document;
    const LoadResult result = document.Load(file);
    EXPECT_EQ(result.status, LoadStatus::Loaded) << result.detail;
    return document;
}

// The untrimmed values of every position of a row.
inline std::vector<std::string> ValuesOf(const Row& row) {
    std::vector<std::string> values;
    for (std::size_t k = 0; k < row.ValueCount(); ++k) values.push_back(row.Value(k));
    return values;
}

// Position 0 of each row.
inline std::vector<std::string> FirstValues(const std::vector<Row>& rows) {
    std::vector<std::string> values;
    for (const Row& row : rows) values.push_back(row.Value(0));
    return values;
}

// xmllint's verdict on a file: empty when it reads the file as well formed.
// The Windows tests have no xmllint beside them: there the verdict is that of
// xmllint's parser, libxml2, reading the file with no network and no DTD.
#ifdef _WIN32
inline std::string XmllintComplaint(const std::filesystem::path& file) {
    // Read here and parsed from memory: the exchange document's entity loader,
    // installed process-wide, refuses every file that libxml2 would open.
    const std::string bytes = ReadFile(file);
    xmlResetLastError();
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "result.xml", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (doc == nullptr) {
        const xmlError* error = xmlGetLastError();
        return "libxml2: " + std::string(error && error->message ? error->message : "not well formed");
    }
    xmlFreeDoc(doc);
    return std::string();
}
#else
inline std::string XmllintComplaint(const std::filesystem::path& file) {
    const CommandResult result = RunCommand("xmllint --noout --nonet '" + file.string() + "'");
    if (result.exitCode == 0) return std::string();
    return "xmllint exit " + std::to_string(result.exitCode) + ": " + result.err;
}
#endif

}  // namespace vindeleo::test
