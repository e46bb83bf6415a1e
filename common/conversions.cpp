// Number and date conversions shared by the imports.
#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/fields.h"
#include "common/messages.h"

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

// Strict reading for the whole-number conversions: blanks around, an
// optional sign, digits with at most one '.', at least one digit.
bool ReadStrictNumber(std::string_view text, double& value) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  std::string digits;
  std::size_t i = begin;
  if (i < end && (text[i] == '+' || text[i] == '-')) digits += text[i++];
  bool sawDigit = false, sawPoint = false;
  for (; i < end; ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      sawDigit = true;
    } else if (c == '.' && !sawPoint) {
      sawPoint = true;
    } else {
      return false;
    }
    digits += c;
  }
  if (!sawDigit) return false;
  value = std::strtod(digits.c_str(), nullptr);
  return true;
}

}  // namespace

double LeadingNumber(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if (!IsSkippedBlank(c)) kept += c;
  }
  std::string number;
  std::size_t i = 0;
  if (i < kept.size() && (kept[i] == '+' || kept[i] == '-')) number += kept[i++];
  bool sawPoint = false, sawDigit = false;
  for (; i < kept.size(); ++i) {
    char c = kept[i];
    if (c >= '0' && c <= '9') {
      sawDigit = true;
    } else if (c == '.' && !sawPoint) {
      sawPoint = true;
    } else {
      break;
    }
    number += c;
  }
  if (!sawDigit) return 0;
  return std::strtod(number.c_str(), nullptr);
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
  auto trimmed = [](const std::string& part) {
    std::size_t begin = part.find_first_not_of(' ');
    if (begin == std::string::npos) return std::string();
    std::size_t end = part.find_last_not_of(' ');
    return part.substr(begin, end - begin + 1);
  };
  return trimmed(year) + "/" + trimmed(month) + "/" + trimmed(day);
}

bool HasMonthAndDay(const std::string& month, const std::string& day) {
  return LeadingNumber(month) != 0 && LeadingNumber(day) != 0;
}

dbf::Value DateValueOrZero(const std::string& year, const std::string& month, const std::string& day) {
  if (!HasMonthAndDay(month, day)) return dbf::kZeroDate;
  return DateText(year, month, day);
}

void ThrowNoMonthOrDay(const std::string& month, const std::string& day) {
  throw ImportFailure(NoMonthOrDayMessage(month, day));
}

}  // namespace ModMain
