#pragma once
// The exchange document over libxml2. Loading drops the white space that only
// separates elements (the indentation of a pretty-printed file) and keeps text
// inside an element as it stands; it replaces internal entities within a bound
// on the text they add, and reads no network, no external entity and no DTD. Texts cross this layer in Windows-1252:
// read text is converted to it ('?' for a character it lacks), written text
// from it ('?' for a control character that XML cannot hold).

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

namespace vindeleo {

// A libxml2 document owned: freed, with the elements made for it and never
// appended, when the owner goes.
struct FreeXmlDocument {
    void operator()(_xmlDoc* doc) const noexcept;
};
using XmlDocument = std::unique_ptr<_xmlDoc, FreeXmlDocument>;

// CannotRead: the file is missing or unreadable, or does not fit in memory.
// EntitiesTooLarge: its entities expand beyond the layer's bound (or into
// themselves). UnreadEntity: it uses an entity that is not read: an external
// one, one declared only outside the file, or a parameter entity.
// UnsupportedEncoding: its declaration names an encoding that this build has
// no converter for. TooManyAttributes: an element holds (or declares)
// over a thousand attributes, which libxml2 would check against each other in
// square time.
enum class LoadStatus {
    Loaded,
    NotWellFormed,
    CannotRead,
    EntitiesTooLarge,
    UnreadEntity,
    UnsupportedEncoding,
    TooManyAttributes,
};

struct LoadResult {
    LoadStatus status = LoadStatus::CannotRead;
    int line = 0;      // where the parser stopped, unless Loaded or CannotRead
    int column = 0;
    std::string detail;    // the parser's own words (UTF-8), for logs and tests
    std::string encoding;  // UnsupportedEncoding: the name the declaration gives
};

// A handle to a node of a document; it does not own the node.
class Node {
public:
    Node() = default;
    explicit Node(_xmlNode* raw) : raw_(raw) {}
    explicit operator bool() const { return raw_ != nullptr; }
    _xmlNode* Raw() const { return raw_; }
    bool operator==(const Node& other) const { return raw_ == other.raw_; }

private:
    _xmlNode* raw_ = nullptr;
};

// One row of a section: its dato children, by position.
class Row {
public:
    explicit Row(_xmlNode* row);
    std::size_t ValueCount() const { return count_; }
    // The text of the dato at this 0-based position, untrimmed; empty when the
    // row has no such position.
    std::string Value(std::size_t position) const;
    // The same, passed through AllTrim.
    std::string Trimmed(std::size_t position) const;
    // The characters of the value at this position that Windows-1252 lacks,
    // each once, in the order they first occur: reading the value gives '?'
    // in their place. Empty when the row has no such position.
    std::vector<char32_t> CharactersLost(std::size_t position) const;

private:
    _xmlNode* DatoAt(std::size_t position) const;

    _xmlNode* row_;
    std::size_t count_;  // dato children
};

class ExchangeDocument {
public:
    ExchangeDocument();  // an empty document
    ExchangeDocument(ExchangeDocument&& other) noexcept = default;
    ExchangeDocument& operator=(ExchangeDocument&& other) noexcept = default;
    ExchangeDocument(const ExchangeDocument&) = delete;
    ExchangeDocument& operator=(const ExchangeDocument&) = delete;

    // Parses the whole file. On any status but Loaded the document is empty.
    LoadResult Load(const std::filesystem::path& file);

    // The rows of every section named exactly `section`, in document order:
    // the nodes of /SERVICIO/BLOQUE_DATOS/grupo_datos[@seq="section"]/grupo_datos.
    std::vector<Row> Rows(std::string_view section) const;

    // Node operations, as the export and the template chooser need them.
    Node DocumentNode() const;     // the document itself, parent of the root
    Node DocumentElement() const;  // the root element, or none
    std::vector<Node> SelectNodes(Node context, const std::string& xpath) const;
    Node SelectSingleNode(Node context, const std::string& xpath) const;
    static Node FirstChild(Node node);  // of any kind
    // Element: the concatenated text of its descendants; other nodes: their text.
    static std::string Text(Node node);
    static void SetText(Node element, std::string_view text1252);
    Node CreateElement(const std::string& name);
    // Adds the attribute after those already set, or replaces its value.
    static void SetAttribute(Node element, const std::string& name, std::string_view value1252);
    void AppendChild(Node parent, Node child);  // parent may be DocumentNode()
    static void RemoveChild(Node parent, Node child);  // the child is freed

    // Writes the whole document in the encoding that its XML declaration names
    // (UTF-8 when none), a character that encoding lacks as a character
    // reference, to a temporary file beside target that is then renamed over it.
    void Save(const std::filesystem::path& target) const;

private:
    XmlDocument doc_;
};

}  // namespace vindeleo
