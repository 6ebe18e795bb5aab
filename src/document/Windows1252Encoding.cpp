#include "document/Windows1252Encoding.h"

#include <libxml/encoding.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <optional>
#include <string_view>

#include "document/XmlNames.h"
#include "text/Codepage.h"

namespace vindeleo::xmlload {
namespace {

// What libxml2 reads from an output function that stops at a character the
// encoding lacks (the lengths then tell what was converted before it).
constexpr int kCharacterLacking = -2;

// libxml2's input function: Windows-1252 bytes to UTF-8. Every byte stands for
// a character (the undefined ones too, see CodePointOf1252), so reading never
// fails; the conversion stops before a character whose UTF-8 bytes no longer
// fit in out, and libxml2 hands the rest over in its next call. Returns the
// bytes written; *inlen and *outlen become the bytes consumed and written.
int Windows1252ToUtf8(unsigned char* out, int* outlen, const unsigned char* in, int* inlen) {
    if (out == nullptr || outlen == nullptr || inlen == nullptr) return -1;
    if (in == nullptr) {
        *outlen = 0;
        *inlen = 0;
        return 0;
    }
    const std::ptrdiff_t room = *outlen;
    std::ptrdiff_t written = 0;
    int consumed = 0;
    char bytes[4];
    while (consumed < *inlen) {
        const std::size_t length = EncodeUtf8(CodePointOf1252(in[consumed]), bytes);
        if (room - written < static_cast<std::ptrdiff_t>(length)) break;
        std::memcpy(out + written, bytes, length);
        written += static_cast<std::ptrdiff_t>(length);
        ++consumed;
    }
    *outlen = static_cast<int>(written);
    *inlen = consumed;
    return *outlen;
}

// libxml2's output function: UTF-8 to Windows-1252. At a character that the
// code page lacks it stops and returns kCharacterLacking, *inlen and *outlen
// telling what it converted before that character: libxml2 then writes the
// character as a character reference ("&#256;", converted by this function
// too) and calls again with the text after it. A sequence cut by the end of
// in is left for the next call. The first call, without input, has nothing to
// write: Windows-1252 has no byte order mark.
int Utf8ToWindows1252(unsigned char* out, int* outlen, const unsigned char* in, int* inlen) {
    if (out == nullptr || outlen == nullptr || inlen == nullptr) return -1;
    if (in == nullptr) {
        *outlen = 0;
        *inlen = 0;
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(in), static_cast<std::size_t>(*inlen));
    std::size_t consumed = 0;
    int written = 0;
    bool lacking = false;
    while (consumed < text.size() && written < *outlen) {
        const Utf8Char next = FirstUtf8Char(text.substr(consumed));
        if (next.kind == Utf8Char::Kind::Truncated) break;
        const std::optional<unsigned char> byte =
            next.kind == Utf8Char::Kind::Valid ? ByteOf1252(next.codePoint) : std::nullopt;
        if (!byte) {
            lacking = true;  // libxml2 gives up on a malformed sequence: it names no character
            break;
        }
        out[written++] = *byte;
        consumed += next.length;
    }
    *outlen = written;
    *inlen = static_cast<int>(consumed);
    return lacking ? kCharacterLacking : written;
}

}  // namespace

void RegisterWindows1252Encoding() {
    // xmlNewCharEncodingHandler registers the handler it makes, and libxml2
    // looks among the registered handlers before it asks iconv. A name is
    // resolved through the aliases before that search, so the other names
    // reach this handler as well instead of falling through to iconv.
    if (xmlNewCharEncodingHandler(xml::kWindows1252, Windows1252ToUtf8, Utf8ToWindows1252) == nullptr)
        throw std::bad_alloc();
    for (const char* alias : xml::kWindows1252Aliases)
        if (xmlAddEncodingAlias(xml::kWindows1252, alias) != 0) throw std::bad_alloc();
}

}  // namespace vindeleo::xmlload
