// Calendar arithmetic and date text parsing for D and T columns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dbf/dbf.h"

namespace dbf::detail {

bool IsValidDate(int year, int month, int day);
// Julian day number as T columns store it (1899-12-30 = 2415019).
std::int64_t JulianDay(int year, int month, int day);
DateTime FromJulianDay(std::int64_t julianDay, int millisecond);

// "YYYY/MM/DD" or "YY/MM/DD" (00-29 -> 20xx, 30-99 -> 19xx) with '/', '-' or
// '.' between and 1-2 digit month and day, or "YYYYMMDD"; optionally followed
// by a blank and "HH:MM" or "HH:MM:SS". Surrounding blanks are ignored.
// Returns nothing when the text is not such a date or the date does not exist.
std::optional<DateTime> ParseDateText(std::string_view text);

// "YYYY-MM-DD", followed by " HH:MM:SS" when `withTime` (or, when
// `withTime` is not given, when the value has a time of day).
std::string DateTimeText(const DateTime& value, std::optional<bool> withTime = std::nullopt);

}  // namespace dbf::detail
