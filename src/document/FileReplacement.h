#pragma once
// Writing a file so that a failure never leaves it half written: the content
// goes to a new temporary file in the target's directory, which is renamed over
// the target only once it is complete and on disk. Private to the document layer.

#include <cstdio>
#include <filesystem>
#include <functional>

namespace vindeleo::filereplace {

// Calls write with a temporary file opened for binary writing beside target.
// When write returns true and the file is complete, it replaces target (which
// keeps its permissions). Returns false on any failure; the temporary file is
// then removed and target is left as it was.
bool ReplaceFile(const std::filesystem::path& target, const std::function<bool(std::FILE*)>& write);

}  // namespace vindeleo::filereplace
