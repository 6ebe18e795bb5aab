// The regional date and time from the C library's LC_TIME locale.

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <clocale>

#include "platform/RegionalTime.h"
#include "text/Codepage.h"

namespace vindeleo {

namespace {

// The C locale, under any of its names, sets no region.
bool NamesNoRegion(std::string_view name) { return name == "C" || name == "POSIX" || name.starts_with("C."); }

// A locale of the time formats and the character type of one locale name, so
// that its codeset is known without changing the process's own LC_CTYPE.
class TimeLocale {
public:
    explicit TimeLocale(const char* name) : locale_(newlocale(LC_TIME_MASK | LC_CTYPE_MASK, name, locale_t{})) {}
    ~TimeLocale() {
        if (locale_ != locale_t{}) freelocale(locale_);
    }
    TimeLocale(const TimeLocale&) = delete;
    TimeLocale& operator=(const TimeLocale&) = delete;

    explicit operator bool() const { return locale_ != locale_t{}; }
    std::string Item(nl_item item) const {
        const char* text = nl_langinfo_l(item, locale_);
        return text != nullptr ? text : "";
    }
    // Bytes in the locale's codeset.
    std::string Formatted(const std::string& pattern, const std::tm& moment) const {
        char buffer[512];
        return std::string(buffer, strftime_l(buffer, sizeof buffer, pattern.c_str(), &moment, locale_));
    }

private:
    locale_t locale_;
};

// An iconv converter from a codeset to UTF-8, closed when it goes.
class Converter {
public:
    explicit Converter(const std::string& codeset) : converter_(iconv_open("UTF-8", codeset.c_str())) {}
    ~Converter() {
        if (*this) iconv_close(converter_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    explicit operator bool() const { return converter_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return converter_; }

private:
    iconv_t converter_;
};

// Text of the given codeset as UTF-8; a byte that does not begin a character of
// the codeset becomes '?'.
std::string CodesetToUtf8(const std::string& text, const std::string& codeset) {
    if (codeset == "UTF-8") return text;
    const Converter converter(codeset);
    if (!converter) {
        std::string ascii = text;
        for (char& c : ascii)
            if (static_cast<unsigned char>(c) >= 0x80) c = '?';
        return ascii;
    }
    std::string utf8;
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
        char buffer[256];
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t converted = iconv(converter.get(), &in, &inLeft, &out, &outLeft);
        utf8.append(buffer, static_cast<std::size_t>(out - buffer));
        if (converted == static_cast<std::size_t>(-1) && errno != E2BIG) {
            utf8 += '?';
            ++in;
            --inLeft;
        }
    }
    return utf8;
}

}  // namespace

std::tm LocalTime(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    return local;
}

std::string RegionalDateTime(std::time_t moment) {
    const std::tm local = LocalTime(moment);
    const char* name = std::setlocale(LC_TIME, nullptr);
    if (name == nullptr || NamesNoRegion(name)) return PlainDateTime(local);
    const TimeLocale regional(name);
    if (!regional) return PlainDateTime(local);
    // %x and %X are D_FMT and T_FMT.
    const std::string pattern = WithFourDigitYear(regional.Item(D_FMT)) + ' ' + regional.Item(T_FMT);
    return Utf8To1252(CodesetToUtf8(regional.Formatted(pattern, local), regional.Item(CODESET)));
}

}  // namespace vindeleo
