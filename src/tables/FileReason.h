#pragma once
// The Spanish reason for a failed file operation, as the table messages give
// it ("No se puede abrir la tabla ...: <reason>").

#include <string>
#include <system_error>

namespace vindeleo::dbf {

std::string ReasonText(const std::error_code& error);

}  // namespace vindeleo::dbf
