#include "text/CodeList.h"

#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"
#include "text/TextHelpers.h"

namespace vindeleo {

std::string CodeList::Key(std::string_view code) const {
    return rule_ == CaseRule::Insensitive ? FoldCase1252(code) : std::string(code);
}

bool CodeList::Contains(std::string_view code) const {
    // A case-sensitive list looks the code up as it is, without a copy.
    if (rule_ == CaseRule::Sensitive) return keys_.find(code) != keys_.end();
    return keys_.find(Key(code)) != keys_.end();
}

void CodeList::Add(const std::string& code) {
    entries_.push_back(code);
    keys_.insert(Key(code));
}

void CodeList::Clear() {
    entries_.clear();
    keys_.clear();
    nextNumber_.clear();
}

std::size_t& CodeList::NextNumber(char kind, const std::string& key) const {
    auto [it, inserted] = nextNumber_.try_emplace(kind + key, 1);
    return it->second;
}

std::string UniqueSuffix(const std::string& base, const CodeList& list) {
    if (!list.Contains(base)) return base;
    std::size_t& next = list.NextNumber('u', list.Key(base));
    while (list.Contains(base + std::to_string(next))) ++next;
    return base + std::to_string(next);
}

std::string CodeList::GiveOut(const std::string& base, Fitting fitting) {
    auto fitted = [fitting](const std::string& code, bool suffixed) {
        const bool fit = fitting == Fitting::Always || (fitting == Fitting::AfterSuffix && suffixed);
        return fit ? FitTen(code) : code;
    };
    std::string code;
    if (!Contains(base) && !Contains(fitted(base, false))) {
        code = fitted(base, false);
    } else {
        // Numbers below `next` are known to give a code, fitted or not, that the
        // list holds; entries are never removed, so they stay taken.
        std::size_t& next = NextNumber(static_cast<char>('0' + static_cast<int>(fitting)), Key(base));
        // A base of eight characters or more keeps only the number's last two
        // digits once fitted: a hundred fitted numbers in a row all taken means
        // every fitted code of this base is taken.
        int fittedTakenInARow = 0;
        for (;; ++next) {
            const std::string candidate = base + std::to_string(next);
            if (Contains(candidate)) continue;
            code = fitted(candidate, true);
            if (!Contains(code)) break;
            if (code != candidate && base.size() >= 8 && ++fittedTakenInARow >= 100)
                throw Error(Format(msg::kNoFreeCode, base));
        }
    }
    Add(code);
    return code;
}

}  // namespace vindeleo
