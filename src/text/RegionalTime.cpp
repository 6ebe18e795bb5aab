#include "text/RegionalTime.h"

#include <clocale>
#include <cstring>

#ifndef _WIN32
#include <langinfo.h>
#endif

#include "text/Codepage.h"

namespace vindeleo {

namespace {

std::string Formatted(const char* pattern, const std::tm& moment) {
    char buffer[256];
    const std::size_t length = std::strftime(buffer, sizeof buffer, pattern, &moment);
    return std::string(buffer, length);
}

// strftime writes in the locale's own character set; the document layer takes
// Windows-1252.
std::string InWindows1252(const std::string& text) {
#ifndef _WIN32
    const char* codeset = nl_langinfo(CODESET);
    if (codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0) return Utf8To1252(text);
#endif
    return text;
}

}  // namespace

std::string RegionalDateTime(std::time_t moment) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &moment);
#else
    localtime_r(&moment, &local);
#endif
    return InWindows1252(Formatted("%x", local) + ' ' + Formatted("%X", local));
}

std::string RegionalDateTimeNow() { return RegionalDateTime(std::time(nullptr)); }

}  // namespace vindeleo
