// Number and date conversions shared by the imports.
#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/fields.h"

namespace ModMain {
namespace {

bool IsSkippedBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

std::string Quoted(std::string_view fieldLabel, std::string_view textCp949) {
  return std::string(fieldLabel) + " '" + Cp949ToUtf8(textCp949) + "'";
}

[[noreturn]] void ThrowNotWhole(std::string_view text, std::string_view fieldLabel) {
  throw ImportFailure(Quoted(fieldLabel, text) + "을(를) 정수로 바꿀 수 없습니다.");
}

[[noreturn]] void ThrowOutOfRange(std::string_view text, std::string_view fieldLabel,
                                  const char* range) {
  throw ImportFailure(Quoted(fieldLabel, text) + "은(는) 정수 범위(" + range +
                      ")를 벗어납니다.");
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

// Nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value) {
  double floorValue = std::floor(value);
  double difference = value - floorValue;
  if (difference > 0.5) return floorValue + 1;
  if (difference < 0.5) return floorValue;
  return std::fmod(floorValue, 2.0) == 0 ? floorValue : floorValue + 1;
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
  if (std::isnan(value)) ThrowNotWhole(text, fieldLabel);
  double rounded = RoundHalfEven(value);
  if (rounded < std::numeric_limits<std::int32_t>::min() ||
      rounded > std::numeric_limits<std::int32_t>::max()) {
    ThrowOutOfRange(text, fieldLabel, "-2147483648 ~ 2147483647");
  }
  return static_cast<std::int32_t>(rounded);
}

std::int32_t ToInt32(std::string_view text, std::string_view fieldLabel) {
  double value;
  if (!ReadStrictNumber(text, value)) ThrowNotWhole(text, fieldLabel);
  return RoundToInt32(value, text, fieldLabel);
}

std::int16_t ToInt16(std::string_view text, std::string_view fieldLabel) {
  double value;
  if (!ReadStrictNumber(text, value)) ThrowNotWhole(text, fieldLabel);
  if (std::isnan(value)) ThrowNotWhole(text, fieldLabel);
  double rounded = RoundHalfEven(value);
  if (rounded < std::numeric_limits<std::int16_t>::min() ||
      rounded > std::numeric_limits<std::int16_t>::max()) {
    ThrowOutOfRange(text, fieldLabel, "-32768 ~ 32767");
  }
  return static_cast<std::int16_t>(rounded);
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

void ThrowNoMonthOrDay(const std::string& month, const std::string& day) {
  throw ImportFailure("날짜에 월 또는 일이 없습니다 (월 '" + Cp949ToUtf8(month) + "', 일 '" +
                      Cp949ToUtf8(day) + "'). 날짜가 없는 레코드는 월별·일별 테이블을 정할 수 없습니다.");
}

}  // namespace ModMain
