#include "text/CodeList.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

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

std::uint64_t& CodeList::NextNumber(char kind, const std::string& key) const {
    auto [it, inserted] = nextNumber_.try_emplace(kind + key, 1);
    return it->second;
}

std::string UniqueSuffix(const std::string& base, const CodeList& list) {
    if (!list.Contains(base)) return base;
    std::uint64_t& next = list.NextNumber('u', list.Key(base));
    while (list.Contains(base + std::to_string(next))) ++next;
    return base + std::to_string(next);
}

namespace {

std::uint64_t PowerOfTen(std::size_t exponent) {
    std::uint64_t value = 1;
    while (exponent-- > 0) value *= 10;
    return value;
}

// The numbers whose fitted codes can still be new, for a base of `length`
// characters whose numbered codes are fitted to ten characters.
//
// A base of up to seven characters keeps every number of up to 10 - length
// digits whole (GRUPO_A1 ... GRUPO_A999). A longer number is cut to the base,
// its first digits and its last two, which is the code of a shorter number
// tried before: from 10^(10 - length) on, no number gives a new code.
//
// A base of eight characters or more keeps its first eight and the number's
// last two digits once the number has two digits or more (and the whole code
// is over ten): from then on the fitted codes repeat every hundred numbers,
// the hundred codes base8 + "00" ... base8 + "99".
struct NumberingLimits {
    std::uint64_t exhaustedFrom = UINT64_MAX;  // no number from here gives a new code
    std::uint64_t cycleFrom = UINT64_MAX;      // from here on, only the hundred two-digit codes
};

NumberingLimits LimitsForFittedBase(std::size_t length) {
    NumberingLimits limits;
    if (length <= 7) {
        limits.exhaustedFrom = PowerOfTen(10 - length);
    } else {
        const std::uint64_t firstFitted = length >= 10 ? 1 : PowerOfTen(10 - length);
        limits.cycleFrom = std::max<std::uint64_t>(firstFitted, 10);
    }
    return limits;
}

}  // namespace

bool CodeList::HoldsEveryTwoDigitEnding(const std::string& base) const {
    const std::string stem = base.substr(0, 8);
    char ending[3];
    for (int number = 0; number < 100; ++number) {
        std::snprintf(ending, sizeof ending, "%02d", number);
        if (!Contains(stem + ending)) return false;
    }
    return true;
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
        std::uint64_t& next = NextNumber(static_cast<char>('0' + static_cast<int>(fitting)), Key(base));
        const NumberingLimits limits =
            fitting == Fitting::Never ? NumberingLimits{} : LimitsForFittedBase(base.size());
        bool cycleChecked = false;
        for (;; ++next) {
            if (next >= limits.exhaustedFrom) throw Error(Format(msg::kNoFreeCode, base));
            // In the cycle every two-digit ending comes again and again, so one
            // free ending means a number that gives it lies ahead; none, and no
            // number can.
            if (next >= limits.cycleFrom && !cycleChecked) {
                if (HoldsEveryTwoDigitEnding(base)) throw Error(Format(msg::kNoFreeCode, base));
                cycleChecked = true;
            }
            const std::string candidate = base + std::to_string(next);
            if (Contains(candidate)) continue;
            code = fitted(candidate, true);
            if (!Contains(code)) break;
        }
    }
    Add(code);
    return code;
}

}  // namespace vindeleo
