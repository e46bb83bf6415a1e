#include "dbf/number_text.h"

#include <charconv>
#include <cmath>

namespace dbf::detail {

namespace {

bool AllDigits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

void Normalize(Decimal& d) {
  size_t nz = d.integer.find_first_not_of('0');
  d.integer = nz == std::string::npos ? "0" : d.integer.substr(nz);
  while (!d.fraction.empty() && d.fraction.back() == '0') d.fraction.pop_back();
  if (d.integer == "0" && d.fraction.empty()) d.negative = false;
}

}  // namespace

std::optional<Decimal> ParseDecimal(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  Decimal d;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    d.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const size_t dot = text.find('.');
  std::string_view integer = text.substr(0, dot);
  std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  if (integer.empty() && fraction.empty()) return std::nullopt;
  if (!AllDigits(integer) || !AllDigits(fraction)) return std::nullopt;
  d.integer = integer.empty() ? "0" : std::string(integer);
  d.fraction = std::string(fraction);
  Normalize(d);
  return d;
}

std::optional<Decimal> DecimalFromDouble(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  char buffer[400];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (result.ec != std::errc()) return std::nullopt;
  return ParseDecimal(std::string_view(buffer, result.ptr - buffer));
}

Decimal DecimalFromInteger(std::int64_t value) {
  Decimal d;
  d.negative = value < 0;
  const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : value;
  d.integer = std::to_string(magnitude);
  return d;
}

Decimal RoundHalfAwayFromZero(const Decimal& value, int decimals) {
  Decimal d = value;
  if (static_cast<int>(d.fraction.size()) <= decimals) return d;
  const bool up = d.fraction[decimals] >= '5';
  d.fraction.resize(decimals);
  if (up) {
    // Add one unit in the last kept place.
    std::string digits = d.integer + d.fraction;
    int i = static_cast<int>(digits.size()) - 1;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i < 0) digits.insert(digits.begin(), '1');
    else ++digits[i];
    d.integer = digits.substr(0, digits.size() - decimals);
    d.fraction = digits.substr(digits.size() - decimals);
  }
  Normalize(d);
  return d;
}

std::string FormatFixed(const Decimal& value, int decimals) {
  Decimal d = RoundHalfAwayFromZero(value, decimals);
  std::string text = d.negative ? "-" : "";
  text += d.integer;
  if (decimals > 0) {
    std::string fraction = d.fraction;
    fraction.resize(decimals, '0');
    text += "." + fraction;
  }
  return text;
}

std::optional<std::int64_t> ScaledInteger(const Decimal& value, int decimals) {
  Decimal d = RoundHalfAwayFromZero(value, decimals);
  std::string digits = d.integer + d.fraction;
  digits.append(decimals - d.fraction.size(), '0');
  if (digits.size() > 19) return std::nullopt;
  std::uint64_t magnitude = 0;
  auto r = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (r.ec != std::errc()) return std::nullopt;
  if (magnitude > static_cast<std::uint64_t>(INT64_MAX) + (d.negative ? 1 : 0)) return std::nullopt;
  return d.negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

double ToDouble(const Decimal& value) {
  // from_chars, unlike strtod, ignores the locale's decimal point.
  std::string text = PlainText(value);
  double result = 0;
  std::from_chars(text.data(), text.data() + text.size(), result);
  return result;
}

std::string PlainText(const Decimal& value) {
  std::string text = value.negative ? "-" : "";
  text += value.integer;
  if (!value.fraction.empty()) text += "." + value.fraction;
  return text;
}

}  // namespace dbf::detail
