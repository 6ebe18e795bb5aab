#include "document/ExchangeDocument.h"

#include <libxml/encoding.h>
#include <libxml/tree.h>
#include <libxml/dict.h>  // after tree.h: it uses xmlChar without declaring it
#include <libxml/xmlsave.h>
#include <libxml/xmlversion.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_set>
#include <utility>

#include "document/XmlLoading.h"
#include "document/XmlNames.h"
#include "platform/Files.h"
#include "platform/PathText.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"
#include "text/TextHelpers.h"

namespace vindeleo {
namespace {

// Failures of a document operation, as the user reads them in the error box.
constexpr const char* kNoNode = "Operaci\xF3n sobre un nodo inexistente del documento XML";
constexpr const char* kBadPath = "Expresi\xF3n XPath no v\xE1lida: %s";
constexpr const char* kNotANodeList = "La expresi\xF3n XPath no devuelve una lista de nodos: %s";
constexpr const char* kBadName = "Nombre de elemento o atributo no v\xE1lido: '%s'";
constexpr const char* kNotAChild = "El nodo que se quiere quitar no es hijo de este nodo";
constexpr const char* kCannotAppend = "No se puede insertar el nodo en esta posici\xF3n del documento XML";
constexpr const char* kSecondRoot = "El documento XML solo admite un elemento ra\xEDz";
constexpr const char* kCannotSetText = "No se puede cambiar el texto de este nodo del documento XML";

const xmlChar* Xml(const std::string& utf8) { return reinterpret_cast<const xmlChar*>(utf8.c_str()); }
const char* Chars(const xmlChar* text) { return reinterpret_cast<const char*>(text); }

xmlNode* Required(Node node) {
    if (!node) throw Error(kNoNode);
    return node.Raw();
}

xmlNode* AsNode(xmlDoc* doc) { return reinterpret_cast<xmlNode*>(doc); }

bool IsPlainElement(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE && node->ns == nullptr && std::strcmp(Chars(node->name), name) == 0;
}

bool IsTextual(const xmlNode* node) { return node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE; }

// The concatenated text and CDATA content below `top`, in document order.
// Comments and processing instructions are not text; entity references do not
// occur, since loading refuses every entity that is not predefined.
void CollectText(const xmlNode* top, std::string& utf8) {
    const xmlNode* current = top->children;
    while (current != nullptr) {
        if (IsTextual(current) && current->content != nullptr) utf8 += Chars(current->content);
        if (current->type == XML_ELEMENT_NODE && current->children != nullptr) {
            current = current->children;
            continue;
        }
        while (current != top && current->next == nullptr) current = current->parent;
        if (current == top) break;
        current = current->next;
    }
}

std::string TextUtf8(const xmlNode* node) {
    switch (node->type) {
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
            return node->content ? Chars(node->content) : std::string();
        case XML_ELEMENT_NODE:
        case XML_ATTRIBUTE_NODE:
        case XML_DOCUMENT_NODE:
        case XML_DOCUMENT_FRAG_NODE: {
            std::string utf8;
            CollectText(node, utf8);
            return utf8;
        }
        default:
            return std::string();
    }
}

// A value's text in Windows-1252. Nearly every dato holds one text node, read
// in place without gathering.
std::string Text1252(const xmlNode* node) {
    const xmlNode* only = node->children;
    if (node->type == XML_ELEMENT_NODE && only != nullptr && only->next == nullptr && IsTextual(only))
        return only->content ? Utf8To1252(Chars(only->content)) : std::string();
    return Utf8To1252(TextUtf8(node));
}

bool SeqIs(const xmlNode* section, const std::string& wantedUtf8) {
    for (const xmlAttr* attribute = section->properties; attribute != nullptr; attribute = attribute->next) {
        if (attribute->ns != nullptr || std::strcmp(Chars(attribute->name), xml::kSeq) != 0) continue;
        std::string value;
        CollectText(reinterpret_cast<const xmlNode*>(attribute), value);
        return value == wantedUtf8;
    }
    return false;
}

void AppendRowsOfSection(xmlNode* section, std::vector<Row>& rows) {
    for (xmlNode* row = section->children; row != nullptr; row = row->next)
        if (IsPlainElement(row, xml::kGrupoDatos)) rows.emplace_back(row);
}

void RequireName(const std::string& utf8, std::string_view name1252) {
    if (utf8.empty() || xmlValidateName(Xml(utf8), 0) != 0) throw Error(Format(kBadName, name1252));
}

void ReplaceChildrenByText(xmlNode* node, const std::string& utf8) {
    xmlNode* old = node->children;
    node->children = nullptr;
    node->last = nullptr;
    if (old != nullptr) xmlFreeNodeList(old);
    if (utf8.empty()) return;
    xmlNode* text = xmlNewDocTextLen(node->doc, Xml(utf8), static_cast<int>(utf8.size()));
    if (text == nullptr) throw std::bad_alloc();
    text->parent = node;
    node->children = text;
    node->last = text;
}

bool IsAncestorOrSelf(const xmlNode* candidate, const xmlNode* node) {
    for (const xmlNode* current = node; current != nullptr; current = current->parent)
        if (current == candidate) return true;
    return false;
}

bool CanHoldChildren(const xmlNode* node) {
    return node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE;
}

bool CanBeAppended(const xmlNode* child, const xmlNode* parent) {
    switch (child->type) {
        case XML_ELEMENT_NODE:
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
            return true;
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            return parent->type == XML_ELEMENT_NODE;
        default:
            return false;
    }
}

// Links child as the last child of parent. Done by hand because xmlAddChild
// merges adjacent text nodes and frees the one appended.
void LinkAsLastChild(xmlNode* parent, xmlNode* child) {
    child->parent = parent;
    child->next = nullptr;
    child->prev = parent->last;
    if (parent->last != nullptr)
        parent->last->next = child;
    else
        parent->children = child;
    parent->last = child;
}

// An element made by CreateElement belongs to no tree until it is appended, and
// libxml2 would not free it with the document. Such elements are listed on the
// document's private pointer and freed with it, should they never be appended.
using DetachedNodes = std::unordered_set<xmlNode*>;

DetachedNodes* DetachedOf(const xmlDoc* doc) { return static_cast<DetachedNodes*>(doc->_private); }

void KeepDetached(xmlDoc* doc, xmlNode* node) {
    try {
        if (doc->_private == nullptr) doc->_private = new DetachedNodes();
        DetachedOf(doc)->insert(node);
    } catch (...) {
        xmlFreeNode(node);
        throw;
    }
}

void ForgetDetached(const xmlNode* node) {
    if (node->doc != nullptr && DetachedOf(node->doc) != nullptr) DetachedOf(node->doc)->erase(const_cast<xmlNode*>(node));
}

void FreeDocument(xmlDoc* doc) {
    if (doc == nullptr) return;
    if (DetachedNodes* detached = DetachedOf(doc)) {
        for (xmlNode* node : *detached)
            if (node->parent == nullptr) xmlFreeNode(node);
        delete detached;
        doc->_private = nullptr;
    }
    xmlFreeDoc(doc);
}

// With a dictionary of names, as a loaded document has: the names of the
// elements and attributes made for it are kept once, not copied per node.
XmlDocument NewEmptyDocument() {
    XmlDocument doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
    if (!doc) throw std::bad_alloc();
    doc->dict = xmlDictCreate();
    if (doc->dict == nullptr) throw std::bad_alloc();
    return doc;
}

// XML 1.0 holds no control character but tab, line feed and carriage return,
// not even as a character reference: a file that had one would not load again.
// A text written into the document has every other one (NUL included) as '?',
// as reading renders a character that the code page lacks.
std::string XmlTextUtf8(std::string_view text1252) {
    std::string utf8 = Cp1252ToUtf8(text1252);
    for (char& c : utf8)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') c = '?';
    return utf8;
}

struct XPathContextFree {
    void operator()(xmlXPathContextPtr context) const { xmlXPathFreeContext(context); }
};
struct XPathObjectFree {
    void operator()(xmlXPathObjectPtr object) const { xmlXPathFreeObject(object); }
};

#if LIBXML_VERSION >= 21200
void IgnoreXPathError(void*, const xmlError*) {}
#else
void IgnoreXPathError(void*, xmlErrorPtr) {}
#endif

// Where the writer's output goes. libxml2 is C: nothing thrown may unwind
// through it, so a text that cannot grow (no memory left) is told afterwards.
struct SavedText {
    std::string& text;
    bool outOfMemory = false;
};

int AppendToText(void* saved, const char* buffer, int length) noexcept {
    if (length <= 0) return 0;
    auto& out = *static_cast<SavedText*>(saved);
    try {
        out.text.append(buffer, static_cast<std::size_t>(length));
    } catch (...) {
        out.outOfMemory = true;
        return -1;
    }
    return length;
}

// "<?xml" as the encoder writes it, without a byte order mark and without the
// zero bytes of UTF-16 and UTF-32: "<?xml" itself, or its EBCDIC bytes, when a
// reader can find the encoding from the start of the file as XML provides.
bool ReadersFindTheEncoding(const char* encoding) {
    xmlCharEncodingHandler* handler = xmlFindCharEncodingHandler(encoding);
    if (handler == nullptr) return false;
    xmlBuffer* in = xmlBufferCreate();
    xmlBuffer* out = xmlBufferCreate();
    bool found = false;
    if (in != nullptr && out != nullptr && xmlBufferCat(in, reinterpret_cast<const xmlChar*>("<?xml")) == 0) {
        xmlCharEncOutFunc(handler, out, nullptr);  // a byte order mark, for the encoders that write one
        if (xmlCharEncOutFunc(handler, out, in) >= 0) {
            std::string start(Chars(xmlBufferContent(out)), static_cast<std::size_t>(xmlBufferLength(out)));
            for (const char* mark : {"\xEF\xBB\xBF", "\xFE\xFF", "\xFF\xFE"})
                if (start.rfind(mark, 0) == 0) start.erase(0, std::strlen(mark));
            std::erase(start, '\0');
            found = start == "<?xml" || start == "\x4C\x6F\xA7\x94\x93";
        }
    }
    if (in != nullptr) xmlBufferFree(in);
    if (out != nullptr) xmlBufferFree(out);
    xmlCharEncCloseFunc(handler);
    return found;
}

// libxml2 keeps the default value of an attribute that the document's DTD
// declares as the loader read it, references replaced, and writes it back as
// it keeps it: a '<' or '&' in it makes a result that no reader accepts.
// Written as character references they read back the same value.
void EscapeDeclaredDefaults(xmlDoc* doc) {
    if (doc->intSubset == nullptr) return;
    for (xmlNode* node = doc->intSubset->children; node != nullptr; node = node->next) {
        if (node->type != XML_ATTRIBUTE_DECL) continue;
        auto* declaration = reinterpret_cast<xmlAttribute*>(node);
        const xmlChar* old = declaration->defaultValue;
        if (old == nullptr || (xmlStrchr(old, '<') == nullptr && xmlStrchr(old, '&') == nullptr)) continue;
        std::string escaped;
        for (const char* c = Chars(old); *c != '\0'; ++c) {
            if (*c == '<') escaped += "&#60;";
            else if (*c == '&') escaped += "&#38;";
            else escaped += *c;
        }
        // Kept in the document's dictionary when it has one, which frees it
        // with the document, as it frees the value it replaces.
        const xmlChar* value = doc->dict != nullptr ? xmlDictLookup(doc->dict, Xml(escaped), -1) : xmlStrdup(Xml(escaped));
        if (value == nullptr) throw std::bad_alloc();
        if (doc->dict == nullptr || !xmlDictOwns(doc->dict, old)) xmlFree(const_cast<xmlChar*>(old));
        declaration->defaultValue = value;
    }
}

// Serialises the document, indented, in the encoding its declaration names;
// the output encoder writes a character that encoding lacks as "&#NNN;". An
// encoding in which no reader would find the declaration (UTF-7) gives way to
// UTF-8, which the written declaration then names.
bool SerialiseDocument(xmlDoc* doc, std::string& text) {
    const char* declared = doc->encoding != nullptr ? Chars(doc->encoding) : nullptr;
    const char* encoding = declared != nullptr && ReadersFindTheEncoding(declared) ? declared : "UTF-8";
    EscapeDeclaredDefaults(doc);
    SavedText saved{text};
    xmlSaveCtxtPtr save = xmlSaveToIO(AppendToText, nullptr, &saved, encoding, XML_SAVE_FORMAT);
    if (save == nullptr) return false;
    const long written = xmlSaveDoc(save, doc);
    const int closed = xmlSaveClose(save);
    if (saved.outOfMemory) throw std::bad_alloc();
    return written >= 0 && closed >= 0;
}

}  // namespace

// A row keeps no list of its values: rows have a handful of them, and a large
// document has tens of thousands of rows.
Row::Row(xmlNode* row) : row_(row), count_(0) {
    for (xmlNode* child = row->children; child != nullptr; child = child->next)
        if (IsPlainElement(child, xml::kDato)) ++count_;
}

xmlNode* Row::DatoAt(std::size_t position) const {
    if (position >= count_) return nullptr;
    std::size_t index = 0;
    for (xmlNode* child = row_->children; child != nullptr; child = child->next) {
        if (!IsPlainElement(child, xml::kDato)) continue;
        if (index++ == position) return child;
    }
    return nullptr;
}

std::string Row::Value(std::size_t position) const {
    const xmlNode* dato = DatoAt(position);
    return dato != nullptr ? Text1252(dato) : std::string();
}

std::vector<char32_t> Row::CharactersLost(std::size_t position) const {
    std::vector<char32_t> lost;
    const xmlNode* dato = DatoAt(position);
    if (dato == nullptr) return lost;
    // Nearly every dato holds one text node, looked at in place.
    const xmlNode* only = dato->children;
    std::string gathered;
    std::string_view rest;
    if (only != nullptr && only->next == nullptr && IsTextual(only))
        rest = only->content != nullptr ? std::string_view(Chars(only->content)) : std::string_view();
    else
        rest = gathered = TextUtf8(dato);
    while (!rest.empty()) {
        if (static_cast<unsigned char>(rest.front()) < 0x80) {
            rest.remove_prefix(1);
            continue;
        }
        // libxml2 hands over well-formed UTF-8; a sequence that is not is
        // lost all the same, as U+FFFD.
        const Utf8Char next = FirstUtf8Char(rest);
        const bool valid = next.kind == Utf8Char::Kind::Valid;
        const char32_t character = valid ? next.codePoint : U'\uFFFD';
        if ((!valid || !ByteOf1252(character)) && std::find(lost.begin(), lost.end(), character) == lost.end())
            lost.push_back(character);
        rest.remove_prefix(valid ? next.length : 1);
    }
    return lost;
}

std::string Row::Trimmed(std::size_t position) const {
    // AllTrim, done on the text in place: values are read by the hundred thousand.
    std::string text = Value(position);
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    std::size_t start = 0;
    while (start < end && text[start] == ' ') ++start;
    text.resize(end);
    text.erase(0, start);
    return text;
}

void FreeXmlDocument::operator()(xmlDoc* doc) const noexcept { FreeDocument(doc); }

ExchangeDocument::ExchangeDocument() {
    xmlload::EnsureLibxmlReady();
    doc_ = NewEmptyDocument();
}

LoadResult ExchangeDocument::Load(const std::filesystem::path& file) {
    xmlload::ParsedFile parsed = xmlload::ParseFile(file);
    doc_ = parsed.doc ? std::move(parsed.doc) : NewEmptyDocument();
    return parsed.result;
}

std::vector<Row> ExchangeDocument::Rows(std::string_view section) const {
    std::vector<Row> rows;
    xmlNode* root = doc_ ? xmlDocGetRootElement(doc_.get()) : nullptr;
    if (root == nullptr || !IsPlainElement(root, xml::kServicio)) return rows;
    const std::string wanted = Cp1252ToUtf8(section);
    for (xmlNode* block = root->children; block != nullptr; block = block->next) {
        if (!IsPlainElement(block, xml::kBloqueDatos)) continue;
        for (xmlNode* candidate = block->children; candidate != nullptr; candidate = candidate->next)
            if (IsPlainElement(candidate, xml::kGrupoDatos) && SeqIs(candidate, wanted))
                AppendRowsOfSection(candidate, rows);
    }
    return rows;
}

Node ExchangeDocument::DocumentNode() const { return Node(AsNode(doc_.get())); }

Node ExchangeDocument::DocumentElement() const {
    return Node(doc_ ? xmlDocGetRootElement(doc_.get()) : nullptr);
}

std::vector<Node> ExchangeDocument::SelectNodes(Node context, const std::string& xpath) const {
    std::vector<Node> nodes;
    if (!doc_) return nodes;
    xmlload::EnsureLibxmlReady();
    xmlNode* from = context ? context.Raw() : AsNode(doc_.get());
    std::unique_ptr<xmlXPathContext, XPathContextFree> evaluation(xmlXPathNewContext(doc_.get()));
    if (!evaluation) throw std::bad_alloc();
    evaluation->node = from;
    if (from->doc != nullptr) evaluation->doc = from->doc;
    evaluation->error = IgnoreXPathError;
    const std::string expression = Cp1252ToUtf8(xpath);
    std::unique_ptr<xmlXPathObject, XPathObjectFree> result(xmlXPathEvalExpression(Xml(expression), evaluation.get()));
    if (!result) throw Error(Format(kBadPath, xpath));
    if (result->type != XPATH_NODESET) throw Error(Format(kNotANodeList, xpath));
    xmlNodeSetPtr set = result->nodesetval;
    if (set == nullptr) return nodes;
    xmlXPathNodeSetSort(set);
    nodes.reserve(static_cast<std::size_t>(set->nodeNr));
    for (int i = 0; i < set->nodeNr; ++i) {
        // Namespace nodes are copies that die with the result; they are left out.
        if (set->nodeTab[i]->type == XML_NAMESPACE_DECL) continue;
        nodes.emplace_back(set->nodeTab[i]);
    }
    return nodes;
}

Node ExchangeDocument::SelectSingleNode(Node context, const std::string& xpath) const {
    std::vector<Node> nodes = SelectNodes(context, xpath);
    return nodes.empty() ? Node() : nodes.front();
}

Node ExchangeDocument::FirstChild(Node node) { return node ? Node(node.Raw()->children) : Node(); }

std::string ExchangeDocument::Text(Node node) { return Text1252(Required(node)); }

void ExchangeDocument::SetText(Node element, std::string_view text1252) {
    xmlNode* node = Required(element);
    const std::string utf8 = XmlTextUtf8(text1252);
    switch (node->type) {
        case XML_ELEMENT_NODE:
            ReplaceChildrenByText(node, utf8);
            return;
        case XML_ATTRIBUTE_NODE:
            if (node->parent != nullptr)
                xmlSetNsProp(node->parent, node->ns, node->name, Xml(utf8));
            else
                ReplaceChildrenByText(node, utf8);
            return;
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
            // For these kinds libxml2 copies the content as it stands.
            xmlNodeSetContentLen(node, Xml(utf8), static_cast<int>(utf8.size()));
            return;
        default:
            throw Error(kCannotSetText);
    }
}

Node ExchangeDocument::CreateElement(const std::string& name) {
    const std::string utf8 = Cp1252ToUtf8(name);
    RequireName(utf8, name);
    if (!doc_) doc_ = NewEmptyDocument();
    xmlNode* element = xmlNewDocNode(doc_.get(), nullptr, Xml(utf8), nullptr);
    if (element == nullptr) throw std::bad_alloc();
    KeepDetached(doc_.get(), element);
    return Node(element);
}

void ExchangeDocument::SetAttribute(Node element, const std::string& name, std::string_view value1252) {
    xmlNode* node = Required(element);
    if (node->type != XML_ELEMENT_NODE) throw Error(kCannotSetText);
    const std::string nameUtf8 = Cp1252ToUtf8(name);
    RequireName(nameUtf8, name);
    // Without a namespace: an existing attribute keeps its place, a new one
    // follows those already set. The value is stored as it stands.
    if (xmlSetNsProp(node, nullptr, Xml(nameUtf8), Xml(XmlTextUtf8(value1252))) == nullptr) throw std::bad_alloc();
}

void ExchangeDocument::AppendChild(Node parent, Node child) {
    xmlNode* to = Required(parent);
    xmlNode* node = Required(child);
    if (!CanHoldChildren(to) || !CanBeAppended(node, to) || node->doc != doc_.get() ||
        (to->type == XML_DOCUMENT_NODE && to != AsNode(doc_.get())) || IsAncestorOrSelf(node, to))
        throw Error(kCannotAppend);
    if (to->type == XML_DOCUMENT_NODE && node->type == XML_ELEMENT_NODE) {
        xmlNode* root = xmlDocGetRootElement(doc_.get());
        if (root != nullptr && root != node) throw Error(kSecondRoot);
    }
    xmlUnlinkNode(node);
    LinkAsLastChild(to, node);
    ForgetDetached(node);
}

void ExchangeDocument::RemoveChild(Node parent, Node child) {
    xmlNode* from = Required(parent);
    xmlNode* node = Required(child);
    if (node->parent != from || node->type == XML_ATTRIBUTE_NODE || node->type == XML_NAMESPACE_DECL)
        throw Error(kNotAChild);
    xmlUnlinkNode(node);
    xmlFreeNode(node);
}

void ExchangeDocument::Save(const std::filesystem::path& target) const {
    xmlload::EnsureLibxmlReady();
    XmlDocument empty;
    xmlDoc* doc = doc_.get();
    if (doc == nullptr) {
        empty = NewEmptyDocument();
        doc = empty.get();
    }
    // Serialised whole first, then written by the one way files are replaced.
    std::string text;
    std::error_code error;
    if (SerialiseDocument(doc, text)) platform::ReplaceContent(target, {text}, error);
    else error = std::make_error_code(std::errc::io_error);
    if (error) throw Error(Format(msg::kCannotWrite, PathText(target)));
}

}  // namespace vindeleo
