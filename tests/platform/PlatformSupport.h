#pragma once
// Helpers of the platform tests: names as Windows-1252 texts, so that the
// tests read the same on both platforms.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/PathText.h"

namespace vindeleo::test {

// The names in dir, as Windows-1252 texts, sorted.
inline std::vector<std::string> NamesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(PathText(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

// dir / the file named by a Windows-1252 text.
inline std::filesystem::path In(const std::filesystem::path& dir, const std::string& name1252) {
    return dir / PathFromText(name1252);
}

}  // namespace vindeleo::test
