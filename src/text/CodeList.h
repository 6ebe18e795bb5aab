#pragma once
// An ordered list of codes with a fixed case rule and hashed membership, so
// that a list of tens of thousands of entries stays fast.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vindeleo {

enum class CaseRule { Sensitive, Insensitive };

// When a code that needed a number may be fitted to ten characters.
enum class Fitting {
    Never,          // rooms
    AfterSuffix,    // teachers: only a code that received a number
    Always,         // subjects and groups
};

class CodeList {
public:
    explicit CodeList(CaseRule rule) : rule_(rule) {}

    CaseRule Rule() const { return rule_; }
    bool Contains(std::string_view code) const;
    void Add(const std::string& code);
    void Clear();
    std::size_t Size() const { return entries_.size(); }
    const std::vector<std::string>& Entries() const { return entries_; }

    // Gives out the code that a step stores for base: base when the list lacks
    // it, else base followed by the first number that makes an unfitted code the
    // list lacks; then fitted as the rule says. A fitted code that the list
    // already holds is not given out: the numbers go on until the fitted code is
    // free too, and when no number left can give a free fitted code the run
    // stops with a message. The code given out is added to the list and returned.
    std::string GiveOut(const std::string& base, Fitting fitting);

private:
    friend std::string UniqueSuffix(const std::string& base, const CodeList& list);
    std::string Key(std::string_view code) const;
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    // First number worth trying for a base: every smaller one is known taken.
    std::uint64_t& NextNumber(char kind, const std::string& key) const;
    // Whether the first eight characters of base followed by each of 00 to 99
    // are all in the list.
    bool HoldsEveryTwoDigitEnding(const std::string& base) const;

    CaseRule rule_;
    std::vector<std::string> entries_;
    std::unordered_set<std::string, TextHash, std::equal_to<>> keys_;
    // Codes only ever join a list, so a number once found taken for a base stays
    // taken; remembering it keeps thousands of equal names linear.
    // Kept per kind of test (plain, or with each fitting), since what counts as
    // taken differs between them.
    mutable std::unordered_map<std::string, std::uint64_t> nextNumber_;
};

}  // namespace vindeleo
