// Decimal texts for N/F/I/Y columns: strict parsing and exact rounding.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dbf::detail {

// A plain decimal number: sign, integer digits and fraction digits, no
// leading zeros in `digits` beyond one, exact (no binary rounding).
struct Decimal {
  bool negative = false;
  std::string integer = "0";  // digits
  std::string fraction;       // digits
};

// Reads a trimmed text of an optional sign and digits with an optional
// fraction ("12", "-3.5", ".5", "+4."). Commas, exponents and blanks inside
// fail.
std::optional<Decimal> ParseDecimal(std::string_view text);
// The shortest decimal that reads back as `value`; nothing for NaN/infinity.
std::optional<Decimal> DecimalFromDouble(double value);
Decimal DecimalFromInteger(std::int64_t value);

// Rounds to `decimals` fraction digits, halves away from zero.
Decimal RoundHalfAwayFromZero(const Decimal& value, int decimals);
// "-12.50" form with exactly `decimals` fraction digits (rounded first);
// "0" is never negative.
std::string FormatFixed(const Decimal& value, int decimals);
// The value scaled by 10^decimals as an integer (rounded half away from zero);
// nothing when it does not fit in int64.
std::optional<std::int64_t> ScaledInteger(const Decimal& value, int decimals);
double ToDouble(const Decimal& value);
// The value as text for a character column ("12", "-3.5").
std::string PlainText(const Decimal& value);

}  // namespace dbf::detail
