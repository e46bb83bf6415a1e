// Korean UTF-8 error texts of the table layer, built from CP949 values.
#pragma once

#include <string>
#include <string_view>

#include "dbf/dbf.h"

namespace dbf::detail {

// CP949 bytes as UTF-8 for a message; undecodable bytes become '?' (only for
// display, never for stored data).
std::string MessageText(std::string_view cp949);

// The text of errno `error` (UTF-8).
std::string SystemErrorText(int error);

[[noreturn]] void Fail(const std::string& utf8Message);

}  // namespace dbf::detail
