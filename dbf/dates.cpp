#include "dbf/dates.h"

#include <cctype>
#include <cstdio>

namespace dbf::detail {

bool IsValidDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int limit = month == 2 && leap ? 29 : days[month - 1];
  return day <= limit;
}

std::int64_t JulianDay(int year, int month, int day) {
  // Days from civil (proleptic Gregorian), shifted to the Julian day number.
  const int y = month <= 2 ? year - 1 : year;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t daysSince1970 = era * 146097 + doe - 719468;
  return daysSince1970 + 2440588;
}

DateTime FromJulianDay(std::int64_t julianDay, int millisecond) {
  std::int64_t z = julianDay - 2440588 + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  return DateTime{year, month, day, millisecond};
}

namespace {

// Reads 1..maxDigits digits at `pos`; returns -1 when there are none.
int ReadNumber(std::string_view s, size_t& pos, size_t maxDigits, size_t* count = nullptr) {
  size_t start = pos;
  int value = 0;
  while (pos < s.size() && pos - start < maxDigits && std::isdigit(static_cast<unsigned char>(s[pos])))
    value = value * 10 + (s[pos++] - '0');
  if (count) *count = pos - start;
  return pos == start ? -1 : value;
}

bool IsSeparator(char c) { return c == '/' || c == '-' || c == '.'; }

}  // namespace

std::optional<DateTime> ParseDateText(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  size_t pos = 0;
  int year, month, day;
  size_t yearDigits = 0;
  year = ReadNumber(text, pos, 8, &yearDigits);
  if (year < 0) return std::nullopt;
  if (yearDigits == 8 && (pos == text.size() || text[pos] == ' ')) {
    day = year % 100;
    month = (year / 100) % 100;
    year /= 10000;
  } else {
    if (yearDigits != 4 && yearDigits != 2) return std::nullopt;
    if (yearDigits == 2) year += year < 30 ? 2000 : 1900;
    if (pos >= text.size() || !IsSeparator(text[pos])) return std::nullopt;
    const char separator = text[pos++];
    month = ReadNumber(text, pos, 2);
    if (month < 0 || pos >= text.size() || text[pos] != separator) return std::nullopt;
    ++pos;
    day = ReadNumber(text, pos, 2);
    if (day < 0) return std::nullopt;
  }
  if (!IsValidDate(year, month, day)) return std::nullopt;
  int millisecond = 0;
  if (pos < text.size()) {
    if (text[pos] != ' ') return std::nullopt;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    int hour = ReadNumber(text, pos, 2);
    if (hour < 0 || pos >= text.size() || text[pos] != ':') return std::nullopt;
    ++pos;
    int minute = ReadNumber(text, pos, 2);
    int second = 0;
    if (minute < 0) return std::nullopt;
    if (pos < text.size() && text[pos] == ':') {
      ++pos;
      second = ReadNumber(text, pos, 2);
      if (second < 0) return std::nullopt;
    }
    if (pos != text.size() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
    millisecond = ((hour * 60 + minute) * 60 + second) * 1000;
  }
  return DateTime{year, month, day, millisecond};
}

std::string DateTimeText(const DateTime& value, std::optional<bool> withTime) {
  char buffer[40];
  const int s = value.millisecond / 1000;
  if (withTime.value_or(value.millisecond != 0)) {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", value.year, value.month, value.day,
                  s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", value.year, value.month, value.day);
  }
  return buffer;
}

}  // namespace dbf::detail
