#include "tables/FileReason.h"

#include "platform/Files.h"
#include "tables/TableMessages.h"
#include "text/Format.h"

namespace vindeleo::dbf {

std::string ReasonText(const std::error_code& error) {
    switch (platform::FaultOf(error)) {
        case platform::FileFault::None: return tables::msg::kUnknownFailure;
        case platform::FileFault::NotFound: return tables::msg::kNoSuchFile;
        case platform::FileFault::AccessDenied: return tables::msg::kAccessDenied;
        case platform::FileFault::InUse: return tables::msg::kInUse;
        case platform::FileFault::DiskFull: return tables::msg::kDiskFull;
        case platform::FileFault::ReadOnly: return tables::msg::kReadOnlyDisk;
        case platform::FileFault::DiskError: return tables::msg::kDiskError;
        case platform::FileFault::NotPlainFile: return tables::msg::kNotPlainFile;
        case platform::FileFault::Other: break;
    }
    return Format(tables::msg::kSystemError, error.value());
}

}  // namespace vindeleo::dbf
