#include "document/XmlLoading.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlversion.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace vindeleo::xmlload {
namespace {

#if LIBXML_VERSION >= 21200
using ErrorRecord = const xmlError*;
#else
using ErrorRecord = xmlErrorPtr;
#endif

// No network, line numbers beyond 65535 kept in nodes. Deliberately absent:
// XML_PARSE_NOENT (substitute entities), XML_PARSE_DTDLOAD, XML_PARSE_DTDATTR and
// XML_PARSE_HUGE (lifts libxml2's own size limits). XML_PARSE_NOBLANKS spares
// building the indentation's text nodes of a large document only to drop them;
// libxml2 keeps the blank content of an element without children, and the pass
// after parsing applies the exact rule to whatever blank text is left.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_BIG_LINES | XML_PARSE_NOBLANKS | XML_PARSE_COMPACT;

void IgnoreStructuredError(void*, ErrorRecord) {}
void IgnoreGenericError(void*, const char*, ...) {}

// Every external entity, DTD or other resource that libxml2 would fetch ends
// here and is refused; the document itself is read through our own stream.
xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

// What one parse saw, reached from the parser context's private pointer.
struct ParseWatch {
    std::ifstream* in = nullptr;
    bool readFailed = false;
    bool refused = false;
    int refusedLine = 0;
    int refusedColumn = 0;
    std::string refusedWhy;
    bool outOfMemory = false;
    bool sawError = false;
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

// Records the first refusal with the parser's position and halts the parse.
void Refuse(void* parserContext, std::string why) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(parserContext);
    ParseWatch& watch = WatchOf(parserContext);
    if (!watch.refused) {
        watch.refused = true;
        if (ctxt->input != nullptr) {
            watch.refusedLine = ctxt->input->line;
            watch.refusedColumn = ctxt->input->col;
        }
        watch.refusedWhy = std::move(why);
    }
    xmlStopParser(ctxt);
}

void OnEntityDecl(void* ctx, const xmlChar* name, int, const xmlChar*, const xmlChar*, xmlChar*) {
    Refuse(ctx, "entity declarations are not accepted: '" + NameText(name) + "'");
}

void OnUnparsedEntityDecl(void* ctx, const xmlChar* name, const xmlChar*, const xmlChar*, const xmlChar*) {
    Refuse(ctx, "entity declarations are not accepted: '" + NameText(name) + "'");
}

// libxml2 answers the five predefined entities itself before asking here, so
// every call is a reference to a declared, external or undeclared entity.
xmlEntityPtr OnGetEntity(void* ctx, const xmlChar* name) {
    Refuse(ctx, "entity references are not accepted: '&" + NameText(name) + ";'");
    return nullptr;
}

xmlEntityPtr OnGetParameterEntity(void* ctx, const xmlChar* name) {
    Refuse(ctx, "parameter entity references are not accepted: '%" + NameText(name) + ";'");
    return nullptr;
}

// libxml2 up to 2.11 reports a text node over its size limit as a failed
// allocation too; the message tells the two apart.
bool IsOutOfMemory(ErrorRecord error) {
    if (error->code != XML_ERR_NO_MEMORY) return false;
    return error->message == nullptr || std::strstr(error->message, "huge") == nullptr;
}

void OnParseError(void* ctx, ErrorRecord error) {
    if (error == nullptr || error->level < XML_ERR_ERROR) return;
    ParseWatch& watch = WatchOf(ctx);
    if (watch.sawError) return;
    watch.sawError = true;
    // The document may well be well-formed: it did not fit in memory. (After
    // another error libxml2 may report a failed allocation that did not happen.)
    watch.outOfMemory = IsOutOfMemory(error);
    watch.errorLine = error->line;
    watch.errorColumn = error->int2;
    watch.errorText = WithoutTrailingNewline(NameText(reinterpret_cast<const xmlChar*>(error->message)));
}

int ReadChunk(void* context, char* buffer, int length) {
    auto& watch = *static_cast<ParseWatch*>(context);
    watch.in->read(buffer, length);
    if (watch.in->bad()) {
        watch.readFailed = true;
        return -1;
    }
    return static_cast<int>(watch.in->gcount());
}

void GuardParser(xmlParserCtxtPtr ctxt, ParseWatch& watch) {
    ctxt->_private = &watch;
    xmlSAXHandler* sax = ctxt->sax;
    sax->entityDecl = OnEntityDecl;
    sax->unparsedEntityDecl = OnUnparsedEntityDecl;
    sax->getEntity = OnGetEntity;
    sax->getParameterEntity = OnGetParameterEntity;
    sax->serror = OnParseError;
    sax->initialized = XML_SAX2_MAGIC;
}

std::string PathUtf8(const std::filesystem::path& file) {
    auto text = file.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

struct ParserContextFree {
    void operator()(xmlParserCtxtPtr ctxt) const { xmlFreeParserCtxt(ctxt); }
};

LoadResult CannotRead(std::string why) { return {LoadStatus::CannotRead, 0, 0, std::move(why)}; }

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
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseExternalEntity);
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
    if (std::filesystem::is_directory(file, ec)) {
        out.result = CannotRead("the path names a directory");
        return out;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        out.result = CannotRead("the file cannot be opened");
        return out;
    }

    std::unique_ptr<xmlParserCtxt, ParserContextFree> ctxt(xmlNewParserCtxt());
    if (!ctxt) throw std::bad_alloc();
    ParseWatch watch;
    watch.in = &in;
    GuardParser(ctxt.get(), watch);
    const std::string url = PathUtf8(file);
    xmlDocPtr doc = xmlCtxtReadIO(ctxt.get(), ReadChunk, nullptr, &watch, url.c_str(), nullptr, kParseOptions);

    const bool wellFormed = doc != nullptr && ctxt->wellFormed && ctxt->nsWellFormed;
    if (watch.readFailed) {
        out.result = CannotRead("the file cannot be read");
    } else if (watch.outOfMemory) {
        out.result = CannotRead("not enough memory to hold the document");
    } else if (watch.refused) {
        out.result = {LoadStatus::NotWellFormed, watch.refusedLine, watch.refusedColumn, watch.refusedWhy};
    } else if (!wellFormed) {
        out.result.status = LoadStatus::NotWellFormed;
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
        DropSeparatingBlanks(doc);
        out.doc = doc;
        out.result = {LoadStatus::Loaded, 0, 0, std::string()};
        return out;
    }
    if (doc != nullptr) xmlFreeDoc(doc);
    return out;
}

}  // namespace vindeleo::xmlload
