#include "document/XmlLoading.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/SAX2.h>
#include <libxml/tree.h>
#include <libxml/xmlmemory.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlversion.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "document/Windows1252Encoding.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"

namespace vindeleo::xmlload {
namespace {

#if LIBXML_VERSION >= 21200
using ErrorRecord = const xmlError*;
#else
using ErrorRecord = xmlErrorPtr;
#endif

// No network, line numbers beyond 65535 kept in nodes, internal entities
// replaced by their text (XML_PARSE_NOENT; external and parameter entities are
// refused before anything is read, and the expansion is bounded below).
// Deliberately absent: XML_PARSE_DTDLOAD, XML_PARSE_DTDATTR and XML_PARSE_HUGE
// (lifts libxml2's own size limits). XML_PARSE_NOBLANKS spares building the
// indentation's text nodes of a large document only to drop them; libxml2
// keeps the blank content of an element without children, and the pass after
// parsing applies the exact rule to whatever blank text is left.
constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_BIG_LINES | XML_PARSE_NOBLANKS | XML_PARSE_COMPACT;

// The most text that entity references may add to one document: ten million
// bytes, far beyond any name or phrase an exchange document declares once to
// use it often, and little beside the memory a large document takes anyway.
// An entity bomb, or a large entity referenced many times, reaches it long
// before it strains memory or time.
constexpr std::uint64_t kMaxEntityExpansion = 10'000'000;
constexpr std::uint64_t kOverLimit = kMaxEntityExpansion + 1;
// Entities nested deeper than libxml2 itself follows them count as endless.
constexpr std::size_t kMaxEntityNesting = 40;

// The attributes of one element. An exchange document's elements hold one or
// two; libxml2 2.9 checks each attribute of a start tag against every one
// before it (and against the attributes the DTD declares for the element), so
// an element with tens of thousands of them takes minutes. Such an element is
// refused before that check runs: an element may hold up to kMaxAttributes
// attributes, and one with more than twice as many is always refused (see
// AttributeTableOverflows for what lies in between). Namespace declarations
// are attributes too, and libxml2 checks them against each other in the same
// way: no more than kMaxAttributes of them may be in scope.
constexpr std::size_t kMaxAttributes = 1000;

void IgnoreStructuredError(void*, ErrorRecord) {}
void IgnoreGenericError(void*, const char*, ...) {}

// libxml2's allocations that failed in this thread. A document too large for
// the memory left may first show as another error (a name cut short, a tag
// left open) where an allocation inside the parser failed; counted here, the
// load tells a lack of memory all the same.
thread_local std::uint64_t tFailedAllocations = 0;

void* CountedMalloc(std::size_t size) {
    void* block = std::malloc(size);
    if (block == nullptr && size != 0) ++tFailedAllocations;
    return block;
}

void* CountedRealloc(void* old, std::size_t size) {
    void* block = std::realloc(old, size);
    if (block == nullptr && size != 0) ++tFailedAllocations;
    return block;
}

char* CountedStrdup(const char* text) {
    char* copy = static_cast<char*>(CountedMalloc(std::strlen(text) + 1));
    if (copy != nullptr) std::strcpy(copy, text);
    return copy;
}

void FreeBlock(void* block) { std::free(block); }

// Every external entity, DTD or other resource that libxml2 would fetch ends
// here and is refused; the document itself is read through our own stream.
xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

using ExpandedLengths = std::unordered_map<const xmlEntity*, std::uint64_t>;

// What one parse saw, reached from the parser context's private pointer (the
// contexts in which libxml2 parses an entity's text share it).
struct ParseWatch {
    std::istream* in = nullptr;
    xmlParserCtxtPtr document = nullptr;  // the context that reads the file itself
    bool readFailed = false;
    bool halted = false;  // the outcome is known: nothing more is read
    LoadStatus refusal = LoadStatus::Loaded;  // Loaded: nothing refused
    int refusedLine = 0;
    int refusedColumn = 0;
    std::string refusedWhy;
    std::uint64_t entityText = 0;    // text added by entity references so far
    ExpandedLengths expandedLengths;  // of internal entities, once every declaration is read
    std::unordered_map<const xmlEntity*, bool> entityTagsChecked;  // the entity's text holds no
                                                                    // start tag with too many attributes
    std::unordered_map<std::string, std::size_t> declaredAttributes;  // by element name
    bool outOfMemory = false;
    bool callbackFailed = false;  // one of the callbacks below ran out of memory
    bool sawError = false;
    bool entityLoop = false;  // the first error was libxml2's entity guard
    bool unsupportedEncoding = false;  // the first error: no converter for the declared encoding
    std::string encoding;              // with it: the name the declaration gives
    int errorLine = 0;
    int errorColumn = 0;
    std::string errorText;
};

ParseWatch& WatchOf(void* parserContext) {
    return *static_cast<ParseWatch*>(static_cast<xmlParserCtxtPtr>(parserContext)->_private);
}

std::string NameText(const xmlChar* name) { return name ? reinterpret_cast<const char*>(name) : ""; }

std::string WithoutTrailingNewline(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// Where the parser stands in the file itself, also while it reads the text of
// an entity that the file uses.
void PositionInFile(const ParseWatch& watch, int& line, int& column) {
    const xmlParserCtxt& document = *watch.document;
    if (document.inputNr < 1 || document.inputTab[0] == nullptr) return;
    line = document.inputTab[0]->line;
    column = document.inputTab[0]->col;
}

// Ends the parse once its outcome is known, without freeing what libxml2 is
// still reading (xmlStopParser does, which is unsafe from an error report in
// libxml2 2.9): the reader hands over no more of the file, libxml2 reports no
// more errors and calls no more handlers once its state is "end of input",
// and its loops leave on that state; at most the few kilobytes it holds are
// passed over. Both the context at hand (the text of an entity has its own)
// and the file's are ended.
void Halt(void* parserContext) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(parserContext);
    ParseWatch& watch = WatchOf(parserContext);
    watch.halted = true;
    for (xmlParserCtxtPtr context : {ctxt, watch.document}) {
        context->disableSAX = 1;
        context->instate = XML_PARSER_EOF;
    }
}

// Records the first refusal, at the position in the file where the parser
// stands (not in the entity text it may be reading), and ends the parse.
void Refuse(void* parserContext, LoadStatus refusal, std::string why) {
    ParseWatch& watch = WatchOf(parserContext);
    if (watch.refusal == LoadStatus::Loaded) {
        watch.refusal = refusal;
        PositionInFile(watch, watch.refusedLine, watch.refusedColumn);
        watch.refusedWhy = std::move(why);
    }
    Halt(parserContext);
}

void RefuseAttributes(void* parserContext, const std::string& where) {
    Refuse(parserContext, LoadStatus::TooManyAttributes,
           where + " holds more than " + std::to_string(kMaxAttributes) + " attributes");
}

// Whether libxml2's table of a start tag's attributes (five entries each, kept
// from tag to tag) has grown past room for twice kMaxAttributes, or more
// namespaces are in scope than kMaxAttributes. The table doubles as a start
// tag's attributes come, so it passes that room while an element's
// attributes go from kMaxAttributes to twice as many; libxml2 checks them
// against each other only at the end of the tag, and reads the file a few
// kilobytes at a time meanwhile, so the reader sees the table grow long
// before that check.
bool AttributeTableOverflows(const xmlParserCtxt& document) {
    return static_cast<std::size_t>(document.maxatts) > 5 * 2 * kMaxAttributes ||
           static_cast<std::size_t>(document.nsNr) > 2 * kMaxAttributes;
}

// The number of attributes of the start tag that begins at text[i] (after its
// '<'), and where the tag ends: its '=' signs outside quoted values. Entity
// text is content, so its other markup is comments, CDATA sections and
// processing instructions, which are passed over whole.
std::size_t SkipMarkup(std::string_view text, std::size_t i, std::size_t& attributes) {
    attributes = 0;
    const auto skipPast = [&](std::string_view end) {
        const std::size_t at = text.find(end, i);
        return at == std::string_view::npos ? text.size() : at + end.size();
    };
    if (text.substr(i).starts_with("!--")) return skipPast("-->");
    if (text.substr(i).starts_with("![CDATA[")) return skipPast("]]>");
    if (text.substr(i).starts_with("?")) return skipPast("?>");
    char quote = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '=') {
            ++attributes;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return i;
}

// Whether an internal entity's text holds a start tag with more than
// kMaxAttributes attributes: libxml2 parses that text from memory, with no
// reading in between that would let AttributeTableOverflows see the table grow.
bool HasCrowdedStartTag(std::string_view text) {
    std::size_t i = text.find('<');
    while (i != std::string_view::npos) {
        std::size_t attributes = 0;
        i = SkipMarkup(text, i + 1, attributes);
        if (attributes > kMaxAttributes) return true;
        i = text.find('<', i);
    }
    return false;
}

bool IsNameByte(unsigned char c) {
    return c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_' || c == ':';
}

// The length of an internal entity's text with every entity reference in it
// replaced, as far as the declarations read so far tell: a reference counts as
// the text it stands for and one byte more, so that endless references to
// empty entities count as well (predefined entities count one byte, undeclared
// and external ones nothing: their use is refused or reported anyway). An
// entity that contains itself, or nests deeper than libxml2 follows, counts as
// over the limit; every length stops there. `lengths` keeps what was
// measured; `open` holds the entities being measured.
std::uint64_t ExpandedLength(xmlDocPtr doc, const xmlEntity* entity, ExpandedLengths& lengths,
                             std::vector<const xmlEntity*>& open) {
    if (const auto known = lengths.find(entity); known != lengths.end()) return known->second;
    if (open.size() >= kMaxEntityNesting || std::find(open.begin(), open.end(), entity) != open.end())
        return kOverLimit;
    open.push_back(entity);
    const std::string_view text = entity->content != nullptr
                                      ? std::string_view(reinterpret_cast<const char*>(entity->content))
                                      : std::string_view();
    std::uint64_t length = 0;
    std::size_t i = 0;
    while (i < text.size() && length < kOverLimit) {
        std::size_t end = i + 1;
        if (text[i] == '&')
            while (end < text.size() && IsNameByte(static_cast<unsigned char>(text[end]))) ++end;
        if (text[i] != '&' || end == i + 1 || end >= text.size() || text[end] != ';') {
            ++length;
            ++i;
            continue;
        }
        const std::string name(text.substr(i + 1, end - i - 1));
        const xmlEntity* inner = xmlGetDocEntity(doc, reinterpret_cast<const xmlChar*>(name.c_str()));
        if (inner != nullptr && inner->etype == XML_INTERNAL_PREDEFINED_ENTITY) length += 1;
        if (inner != nullptr && inner->etype == XML_INTERNAL_GENERAL_ENTITY)
            length += 1 + ExpandedLength(doc, inner, lengths, open);
        i = end + 1;
    }
    open.pop_back();
    length = std::min(length, kOverLimit);
    lengths[entity] = length;
    return length;
}

// Counts the text that one more use of the entity adds; false (and the parse
// refused) once the document's entities have added more than the limit. While
// the declarations are still being read an entity declared later may change a
// length, so those lengths are measured afresh each time.
bool AdmitExpansion(xmlParserCtxtPtr ctxt, const xmlEntity* entity) {
    ParseWatch& watch = WatchOf(ctxt);
    std::vector<const xmlEntity*> open;
    ExpandedLengths fresh;
    ExpandedLengths& lengths = ctxt->inSubset != 0 ? fresh : watch.expandedLengths;
    watch.entityText = std::min(watch.entityText + ExpandedLength(ctxt->myDoc, entity, lengths, open), kOverLimit);
    if (watch.entityText <= kMaxEntityExpansion) return true;
    Refuse(ctxt, LoadStatus::EntitiesTooLarge,
           "entity references expand beyond " + std::to_string(kMaxEntityExpansion) + " bytes at '&" +
               NameText(entity->name) + ";'");
    return false;
}

// Checks once whether the entity's text holds an element with too many
// attributes; false (and the parse refused) when it does.
bool AdmitStartTags(xmlParserCtxtPtr ctxt, const xmlEntity* entity) {
    ParseWatch& watch = WatchOf(ctxt);
    auto [checked, added] = watch.entityTagsChecked.try_emplace(entity, true);
    if (added && entity->content != nullptr)
        checked->second = !HasCrowdedStartTag(reinterpret_cast<const char*>(entity->content));
    if (checked->second) return true;
    RefuseAttributes(ctxt, "an element in the text of '&" + NameText(entity->name) + ";'");
    return false;
}

// Whether the outcome is known: a refusal, or the document found not well
// formed. The parse goes no further then, and in particular expands no more
// entities (libxml2 would go on through the declarations after an error).
bool Settled(xmlParserCtxtPtr ctxt) {
    const ParseWatch& watch = WatchOf(ctxt);
    return watch.refusal != LoadStatus::Loaded || ctxt->wellFormed == 0 || watch.document->wellFormed == 0;
}

// Whether an entity that the document does not declare may be one of an
// external DTD or parameter entity, which libxml2 then passes over (instead of
// reporting the document as not well formed).
bool MayBeDeclaredOutside(const ParseWatch& watch) {
    const xmlParserCtxt& document = *watch.document;
    return document.standalone != 1 && (document.hasExternalSubset != 0 || document.hasPErefs != 0);
}

// Every reference to a general entity: internal entities are given to libxml2
// to replace, their text counted against the limit where a reference of the
// document itself (or of an attribute default) uses them, not again for the
// references inside an entity's text; an external entity, or one declared only
// outside the file, is refused before anything is read.
xmlEntityPtr GetEntity(void* ctx, const xmlChar* name) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    if (Settled(ctxt)) {
        Halt(ctxt);
        return nullptr;
    }
    ParseWatch& watch = WatchOf(ctx);
    // Not libxml2's own xmlSAX2GetEntity: with entities replaced, it reads an
    // external entity as soon as it is looked up.
    xmlEntityPtr entity = ctxt->myDoc != nullptr ? xmlGetDocEntity(ctxt->myDoc, name) : xmlGetPredefinedEntity(name);
    // A declaration looking up the entity it has just declared: no use of it.
    if (ctxt->instate == XML_PARSER_ENTITY_VALUE) return entity;
    if (entity == nullptr) {
        if (MayBeDeclaredOutside(watch))
            Refuse(ctx, LoadStatus::UnreadEntity, "entity '&" + NameText(name) + ";' is not declared in the document");
        return nullptr;  // otherwise libxml2 reports the undeclared entity
    }
    switch (entity->etype) {
        case XML_INTERNAL_PREDEFINED_ENTITY:
            return entity;
        case XML_INTERNAL_GENERAL_ENTITY:
            if (ctxt->depth == 0 && !AdmitExpansion(ctxt, entity)) return nullptr;
            if (!AdmitStartTags(ctxt, entity)) return nullptr;
            return entity;
        default:
            Refuse(ctx, LoadStatus::UnreadEntity, "external entity '&" + NameText(name) + ";' is not read");
            return nullptr;
    }
}

// Parameter entities are not read, internal ones included: libxml2 reads
// their text anew at each reference, and nested references slow it down beyond
// measure long before their text grows large. Exchange documents have no use
// for them. (Declaring one is harmless.)
xmlEntityPtr GetParameterEntity(void* ctx, const xmlChar* name) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    if (Settled(ctxt)) {
        Halt(ctxt);
        return nullptr;
    }
    // A declaration looking up the entity it has just declared: no use of it.
    if (ctxt->instate == XML_PARSER_ENTITY_VALUE)
        return ctxt->myDoc != nullptr ? xmlGetParameterEntity(ctxt->myDoc, name) : nullptr;
    Refuse(ctx, LoadStatus::UnreadEntity, "parameter entity references are not read: '%" + NameText(name) + ";'");
    return nullptr;
}

// Every attribute that the DTD declares, counted by element: libxml2 checks
// the attributes declared with a default against each start tag of the
// element, each against all, so an element may have no more declared than
// written.
void NoteAttributeDecl(void* ctx, const xmlChar* element, const xmlChar* name, int type, int def,
                     const xmlChar* defaultValue, xmlEnumerationPtr values) {
    ParseWatch& watch = WatchOf(ctx);
    const std::string elementName = NameText(element);
    if (++watch.declaredAttributes[elementName] <= kMaxAttributes) {
        xmlSAX2AttributeDecl(ctx, element, name, type, def, defaultValue, values);
        return;
    }
    xmlFreeEnumeration(values);
    RefuseAttributes(ctx, "the declaration of element '" + elementName + "'");
}

// libxml2 up to 2.11 reports a text node over its size limit as a failed
// allocation too; the message tells the two apart.
bool IsOutOfMemory(ErrorRecord error) {
    if (error->code != XML_ERR_NO_MEMORY) return false;
    return error->message == nullptr || std::strstr(error->message, "huge") == nullptr;
}

// Whether an error makes the document refused: libxml2 found it not well
// formed (a fatal error) or its namespaces wrong.
bool Refuses(ErrorRecord error) {
    return error->level == XML_ERR_FATAL || error->domain == XML_FROM_NAMESPACE;
}

// Keeps the first error that refuses the document and ends the parse there:
// libxml2 2.9 would go on to the end of the file, reporting an error at every
// step of a long run of faults (each pair of dashes in a comment, each '&'
// without a name...), which takes minutes on a large file.
void NoteParseError(void* ctx, ErrorRecord error) {
    if (error == nullptr || !Refuses(error)) return;
    ParseWatch& watch = WatchOf(ctx);
    Halt(ctx);
    if (watch.sawError) return;
    watch.sawError = true;
    // The document may well be well-formed: it did not fit in memory. (After
    // another error libxml2 may report a failed allocation that did not happen.)
    watch.outOfMemory = IsOutOfMemory(error);
    // libxml2's own guard against entities that grow too much (or contain
    // themselves) stopped the parse.
    watch.entityLoop = error->code == XML_ERR_ENTITY_LOOP;
    watch.unsupportedEncoding = error->code == XML_ERR_UNSUPPORTED_ENCODING;
    if (watch.unsupportedEncoding) watch.encoding = NameText(reinterpret_cast<const xmlChar*>(error->str1));
    watch.errorLine = error->line;
    watch.errorColumn = error->int2;
    // An error in the text of an entity is placed where the file uses it.
    if (ctx != watch.document || watch.document->inputNr > 1) PositionInFile(watch, watch.errorLine, watch.errorColumn);
    watch.errorText = WithoutTrailingNewline(NameText(reinterpret_cast<const xmlChar*>(error->message)));
}

// libxml2 is C: nothing thrown inside a callback may unwind through it. What
// can fail inside one is an allocation of ours (a message's text, a table of
// lengths); that stops the parse, which then tells a lack of memory.
template <typename Callback>
auto Contained(void* ctx, Callback callback) noexcept -> decltype(callback()) {
    try {
        return callback();
    } catch (...) {
        WatchOf(ctx).callbackFailed = true;
        xmlStopParser(static_cast<xmlParserCtxtPtr>(ctx));
        if constexpr (!std::is_void_v<decltype(callback())>) return nullptr;
    }
}

xmlEntityPtr OnGetEntity(void* ctx, const xmlChar* name) {
    return Contained(ctx, [&] { return GetEntity(ctx, name); });
}

xmlEntityPtr OnGetParameterEntity(void* ctx, const xmlChar* name) {
    return Contained(ctx, [&] { return GetParameterEntity(ctx, name); });
}

void OnAttributeDecl(void* ctx, const xmlChar* element, const xmlChar* name, int type, int def,
                     const xmlChar* defaultValue, xmlEnumerationPtr values) {
    Contained(ctx, [&] { NoteAttributeDecl(ctx, element, name, type, def, defaultValue, values); });
}

void OnParseError(void* ctx, ErrorRecord error) {
    Contained(ctx, [&] { NoteParseError(ctx, error); });
}

// Reads the file for libxml2, until the outcome is known: the parse halted, or
// an element found with too many attributes while libxml2 reads its start tag.
int ReadChunk(void* context, char* buffer, int length) {
    auto& watch = *static_cast<ParseWatch*>(context);
    if (!watch.halted && AttributeTableOverflows(*watch.document))
        Contained(watch.document, [&] { RefuseAttributes(watch.document, "an element"); });
    if (watch.halted) return 0;
    watch.in->read(buffer, length);
    if (watch.in->bad()) {
        watch.readFailed = true;
        return -1;
    }
    return static_cast<int>(watch.in->gcount());
}

// The encoding that the declaration names, when libxml2 stopped at it: named
// in its report, or (for a converter that can only write, which libxml2 fails
// to start without a report of its own) kept with the document's input.
std::string DeclaredEncoding(const xmlParserCtxt& ctxt, const ParseWatch& watch) {
    if (!watch.encoding.empty()) return watch.encoding;
    return ctxt.input != nullptr ? NameText(ctxt.input->encoding) : std::string();
}

void GuardParser(xmlParserCtxtPtr ctxt, ParseWatch& watch) {
    ctxt->_private = &watch;
    watch.document = ctxt;
    xmlSAXHandler* sax = ctxt->sax;
    sax->getEntity = OnGetEntity;
    sax->getParameterEntity = OnGetParameterEntity;
    sax->attributeDecl = OnAttributeDecl;
    sax->serror = OnParseError;
    sax->initialized = XML_SAX2_MAGIC;
}

struct ParserContextFree {
    void operator()(xmlParserCtxtPtr ctxt) const { xmlFreeParserCtxt(ctxt); }
};

LoadResult CannotRead(std::string why) {
    LoadResult result;
    result.status = LoadStatus::CannotRead;
    result.detail = std::move(why);
    return result;
}

bool IsSeparatingBlank(const xmlNode* node) {
    if (node->type != XML_TEXT_NODE || node->content == nullptr) return false;
    for (const xmlChar* c = node->content; *c != 0; ++c)
        if (*c != ' ' && *c != '\t' && *c != '\r' && *c != '\n') return false;
    return true;
}

bool HasElementChild(const xmlNode* node) {
    for (const xmlNode* child = node->children; child != nullptr; child = child->next)
        if (child->type == XML_ELEMENT_NODE) return true;
    return false;
}

}  // namespace

void EnsureLibxmlReady() {
    static const bool initialised = [] {
        // Before anything else of libxml2, as it asks; the functions are the C
        // library's own, so blocks allocated before are freed alike.
        xmlMemSetup(FreeBlock, CountedMalloc, CountedRealloc, CountedStrdup);
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseExternalEntity);
        RegisterWindows1252Encoding();
        return true;
    }();
    (void)initialised;
    // Set on every call: libxml2 keeps these handlers per thread.
    xmlSetStructuredErrorFunc(nullptr, IgnoreStructuredError);
    xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
}

void DropSeparatingBlanks(_xmlDoc* doc) {
    std::vector<xmlNode*> pending;
    for (xmlNode* child = doc->children; child != nullptr; child = child->next)
        if (child->type == XML_ELEMENT_NODE) pending.push_back(child);
    while (!pending.empty()) {
        xmlNode* element = pending.back();
        pending.pop_back();
        const bool dropBlanks = HasElementChild(element);
        xmlNode* child = element->children;
        while (child != nullptr) {
            xmlNode* next = child->next;
            if (child->type == XML_ELEMENT_NODE) {
                pending.push_back(child);
            } else if (dropBlanks && IsSeparatingBlank(child)) {
                xmlUnlinkNode(child);
                xmlFreeNode(child);
            }
            child = next;
        }
    }
}

ParsedFile ParseFile(const std::filesystem::path& file) {
    EnsureLibxmlReady();
    ParsedFile out;
    std::error_code ec;
    if (platform::IsDirectory(file, ec)) {
        out.result = CannotRead("the path names a directory");
        return out;
    }
    const auto in = platform::OpenForReading(file);
    if (!in) {
        out.result = CannotRead("the file cannot be opened");
        return out;
    }

    const std::uint64_t failedBefore = tFailedAllocations;
    std::unique_ptr<xmlParserCtxt, ParserContextFree> ctxt(xmlNewParserCtxt());
    if (!ctxt) throw std::bad_alloc();
    ParseWatch watch;
    watch.in = in.get();
    GuardParser(ctxt.get(), watch);
    const std::string url = PathUtf8(file);
    XmlDocument doc(xmlCtxtReadIO(ctxt.get(), ReadChunk, nullptr, &watch, url.c_str(), nullptr, kParseOptions));

    const bool wellFormed = doc && ctxt->wellFormed && ctxt->nsWellFormed;
    if (watch.readFailed) {
        out.result = CannotRead("the file cannot be read");
    } else if (watch.outOfMemory || watch.callbackFailed || tFailedAllocations != failedBefore) {
        out.result = CannotRead("not enough memory to hold the document");
    } else if (watch.refusal != LoadStatus::Loaded) {
        out.result.status = watch.refusal;
        out.result.line = watch.refusedLine;
        out.result.column = watch.refusedColumn;
        out.result.detail = watch.refusedWhy;
    } else if (!wellFormed) {
        const bool unsupportedEncoding = watch.unsupportedEncoding || ctxt->errNo == XML_ERR_UNSUPPORTED_ENCODING;
        out.result.status = watch.entityLoop        ? LoadStatus::EntitiesTooLarge
                            : unsupportedEncoding   ? LoadStatus::UnsupportedEncoding
                                                    : LoadStatus::NotWellFormed;
        if (unsupportedEncoding) out.result.encoding = DeclaredEncoding(*ctxt, watch);
        if (watch.sawError) {
            out.result.line = watch.errorLine;
            out.result.column = watch.errorColumn;
            out.result.detail = watch.errorText;
        } else {
            const xmlError& last = ctxt->lastError;
            out.result.line = last.line;
            out.result.column = last.int2;
            out.result.detail = last.message ? WithoutTrailingNewline(last.message) : "the document is not well formed";
        }
    } else {
        DropSeparatingBlanks(doc.get());
        out.doc = std::move(doc);
        out.result.status = LoadStatus::Loaded;
    }
    return out;
}

}  // namespace vindeleo::xmlload
