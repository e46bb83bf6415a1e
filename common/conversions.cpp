// Number and date conversions shared by the imports.
#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/fields.h"
#include "common/messages.h"
#include "dbf/ascii.h"

namespace ModMain {
namespace {

bool IsSkippedBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value) {
  double floorValue = std::floor(value);
  double difference = value - floorValue;
  if (difference > 0.5) return floorValue + 1;
  if (difference < 0.5) return floorValue;
  return std::fmod(floorValue, 2.0) == 0 ? floorValue : floorValue + 1;
}

[[noreturn]] void ThrowNotWhole(std::string_view text, std::string_view fieldLabel) {
  throw ImportFailure(NotWholeNumberMessage(fieldLabel, text), std::string(fieldLabel), std::string(text));
}

// Halves to even, then the range of T; NaN and out of range throw.
template <typename T>
T ToWhole(double value, std::string_view text, std::string_view fieldLabel, const char* range) {
  if (std::isnan(value)) ThrowNotWhole(text, fieldLabel);
  const double rounded = RoundHalfEven(value);
  if (rounded < std::numeric_limits<T>::min() || rounded > std::numeric_limits<T>::max())
    throw ImportFailure(OutOfRangeMessage(fieldLabel, text, range), std::string(fieldLabel), std::string(text));
  return static_cast<T>(rounded);
}

// How much of `text` is a number from its start: an optional sign, then
// digits with at most one '.'; and whether a digit was among them.
struct NumberPrefix {
  std::size_t length;
  bool digits;
};
NumberPrefix ScanNumber(std::string_view text) {
  std::size_t i = 0;
  bool digit = false, point = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') digit = true;
    else if (c == '.' && !point) point = true;
    else break;
  }
  return {i, digit};
}

// Strict reading for the whole-number conversions: blanks around, then a
// number and nothing else, with at least one digit.
bool ReadStrictNumber(std::string_view text, double& value) {
  const std::string number(dbf::ascii::Trim(text, " \t"));
  const NumberPrefix prefix = ScanNumber(number);
  if (!prefix.digits || prefix.length != number.size()) return false;
  value = std::strtod(number.c_str(), nullptr);
  return true;
}

}  // namespace

double LeadingNumber(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text)
    if (!IsSkippedBlank(c)) kept += c;
  const NumberPrefix prefix = ScanNumber(kept);
  return prefix.digits ? std::strtod(kept.substr(0, prefix.length).c_str(), nullptr) : 0;
}

std::int32_t RoundToInt32(double value, std::string_view text, std::string_view fieldLabel) {
  return ToWhole<std::int32_t>(value, text, fieldLabel, "-2147483648 ~ 2147483647");
}

std::int32_t ToInt32(std::string_view text, std::string_view fieldLabel) {
  double value;
  if (!ReadStrictNumber(text, value)) ThrowNotWhole(text, fieldLabel);
  return RoundToInt32(value, text, fieldLabel);
}

std::int16_t ToInt16(std::string_view text, std::string_view fieldLabel) {
  double value;
  if (!ReadStrictNumber(text, value)) ThrowNotWhole(text, fieldLabel);
  return ToWhole<std::int16_t>(value, text, fieldLabel, "-32768 ~ 32767");
}

std::string DateText(const std::string& year, const std::string& month, const std::string& day) {
  return std::string(dbf::ascii::Trim(year)) + "/" + std::string(dbf::ascii::Trim(month)) + "/" + std::string(dbf::ascii::Trim(day));
}

bool HasMonthAndDay(const std::string& month, const std::string& day) {
  return LeadingNumber(month) != 0 && LeadingNumber(day) != 0;
}

dbf::Value DateValueOrZero(const std::string& year, const std::string& month, const std::string& day) {
  if (!HasMonthAndDay(month, day)) return dbf::kZeroDate;
  return DateText(year, month, day);
}

}  // namespace ModMain
