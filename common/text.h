// Small helpers the core and the front ends share: a number's hexadecimal
// digits and a blank test (letter case and trims: dbf/ascii.h). Bytes 0x80 and above are never changed,
// so CP949 and UTF-8 text pass through whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dbf/ascii.h"

namespace ModMain {

// `value` as exactly `digits` hexadecimal digits ("0000ff2a"), upper case on request.
std::string HexDigits(std::uint64_t value, int digits, bool upper = false);

// True when `text` holds nothing but spaces.
inline bool IsBlank(std::string_view text) { return dbf::ascii::Trim(text).empty(); }

}  // namespace ModMain
