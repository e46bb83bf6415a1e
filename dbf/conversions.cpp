// The conversion matrix: which value goes into which column type, and how.
//
//  column        | text (CP949)               | int16 / int32       | double                 | DateTime
//  --------------+----------------------------+---------------------+------------------------+-------------
//  C, V          | bytes, code page converted;| its decimal text    | shortest decimal text  | "YYYY-MM-DD"
//                | longer than the column:    | (same length rule)  | ("1.5", "100")         | (+" HH:MM:SS"
//                | error; padded with spaces  |                     |                        |  if a time)
//  C/V binary, Q | bytes as given, no code    | as C                | as C                   | as C
//                | page conversion            |                     |                        |
//  N, F          | read as a number (sign,    | formatted to width and decimals, rounding      | error
//                | digits, optional fraction),| half away from zero, right-aligned; wider      |
//                | else error; then as number | than the column: error (never '*')            |
//  I             | read as a number, rounded half away from zero; outside int32: error | error
//  B             | read as a number           | exact               | as given               | error
//  Y             | read as a number, x10000 rounded half away from zero; int64 overflow: error | error
//  D             | date text (see dates.h);   | error               | error                  | YYYYMMDD
//                | not a real date: error     |                     |                        | (1899-12-30 is
//                |                            |                     |                        |  "18991230")
//  T             | date text with optional    | error               | error                  | day number +
//                | time                       |                     |                        | milliseconds
//  L             | T/Y -> true, F/N -> false  | 0 -> false,         | 0 -> false,            | error
//                | (any case); else error     | 1 -> true, else err | 1 -> true, else error  |
//  M             | the memo's bytes (code page converted unless binary); "" stores no memo;
//                | numbers and dates as their C text. No length limit.
//  G, P, W       | error: binary objects are left as a new row has them
#include "dbf/conversions.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "dbf/code_page.h"
#include "dbf/dates.h"
#include "dbf/messages.h"
#include "dbf/number_text.h"

namespace dbf::detail {

namespace {

struct Target {
  const Column& column;
  const std::string& table;
  const std::string& codePage;
  const Value& value;
};

[[noreturn]] void Refuse(const Target& t, const std::string& why) {
  const std::string value = ValueAsText(t.value);
  throw Error(ColumnValueSubject(t.table, t.column.name, value) + why, t.column.name, value);
}

std::string TypeName(char type) {
  switch (type) {
    case 'C': case 'V': return "문자";
    case 'N': case 'F': case 'I': case 'B': case 'Y': return "숫자";
    case 'D': return "날짜";
    case 'T': return "날짜시간";
    case 'L': return "논리";
    default: return "이진";
  }
}

[[noreturn]] void WrongKind(const Target& t) {
  Refuse(t, "을(를) 넣을 수 없습니다. 열의 형식은 " + TypeName(t.column.type) + "(" +
                std::string(1, t.column.type) + ")입니다.");
}

std::optional<Decimal> NumberOf(const Value& value) {
  if (auto s = std::get_if<std::string>(&value)) return ParseDecimal(*s);
  if (auto i = std::get_if<std::int16_t>(&value)) return DecimalFromInteger(*i);
  if (auto i = std::get_if<std::int32_t>(&value)) return DecimalFromInteger(*i);
  if (auto d = std::get_if<double>(&value)) return DecimalFromDouble(*d);
  return std::nullopt;
}

Decimal RequireNumber(const Target& t) {
  if (std::holds_alternative<DateTime>(t.value)) WrongKind(t);
  auto number = NumberOf(t.value);
  if (!number) Refuse(t, "을(를) 넣을 수 없습니다. 숫자가 아닙니다.");
  return *number;
}

// Text for C/V/M: converted to the table's code page unless binary.
std::string TextBytes(const Target& t, const std::string& cp949) {
  if (t.column.binary) return cp949;
  // Text is CP949: a stray byte would make the table unreadable to a strict reader.
  if (const std::size_t bad = FirstNonCp949Byte(cp949); bad != std::string::npos)
    Refuse(t, "에 CP949 글자가 아닌 바이트가 있습니다 (" + std::to_string(bad + 1) + "번째 바이트).");
  if (t.codePage.empty()) return cp949;
  const bool ascii = std::all_of(cp949.begin(), cp949.end(), [](char c) { return (c & 0x80) == 0; });
  if (ascii) return cp949;  // the same bytes in every code page the marks name
  std::string out;
  if (t.codePage == "?" || !ConvertText(cp949, "CP949", t.codePage, out))
    Refuse(t, "에 테이블의 코드 페이지로 나타낼 수 없는 글자가 있습니다.");
  return out;
}

ConvertedValue Character(const Target& t) {
  std::string bytes = TextBytes(t, ValueAsText(t.value));
  if (bytes.size() > static_cast<size_t>(t.column.length))
    Refuse(t, "(" + std::to_string(bytes.size()) + "바이트)이 들어가지 않습니다. 열의 길이는 " +
                  std::to_string(t.column.length) + "바이트입니다.");
  if (t.column.type == 'C') bytes.resize(t.column.length, ' ');
  return {bytes};
}

ConvertedValue Numeric(const Target& t) {
  std::string text = FormatFixed(RequireNumber(t), t.column.decimals);
  // A narrow column with decimals holds "0.50" as ".50", as FoxPro writes it.
  if (text.size() > static_cast<size_t>(t.column.length) && t.column.decimals > 0) {
    const size_t zero = text[0] == '-' ? 1 : 0;
    if (text.compare(zero, 2, "0.") == 0) text.erase(zero, 1);
  }
  if (text.size() > static_cast<size_t>(t.column.length))
    Refuse(t, "이 들어가지 않습니다. 열은 소수 " + std::to_string(t.column.decimals) + "자리를 포함해 " +
                  std::to_string(t.column.length) + "자리입니다.");
  return {std::string(t.column.length - text.size(), ' ') + text};
}

ConvertedValue Integer(const Target& t) {
  auto scaled = ScaledInteger(RequireNumber(t), 0);
  if (!scaled || *scaled < INT32_MIN || *scaled > INT32_MAX)
    Refuse(t, "이 정수 열의 범위(-2147483648 ~ 2147483647)를 벗어납니다.");
  std::string bytes(4, '\0');
  WriteLE32(reinterpret_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(*scaled));
  return {bytes};
}

ConvertedValue Double(const Target& t) {
  double d;
  if (auto p = std::get_if<double>(&t.value)) d = *p;
  else d = ToDouble(RequireNumber(t));
  std::string bytes(8, '\0');
  std::memcpy(bytes.data(), &d, 8);  // little-endian host
  return {bytes};
}

ConvertedValue Currency(const Target& t) {
  auto scaled = ScaledInteger(RequireNumber(t), 4);
  if (!scaled) Refuse(t, "이 통화 열의 범위를 벗어납니다.");
  std::string bytes(8, '\0');
  std::uint64_t u = static_cast<std::uint64_t>(*scaled);
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
  return {bytes};
}

DateTime RequireDate(const Target& t) {
  if (auto d = std::get_if<DateTime>(&t.value)) {
    if (!IsValidDate(d->year, d->month, d->day) || d->millisecond < 0 || d->millisecond >= 86400000)
      Refuse(t, "은 없는 날짜입니다.");
    return *d;
  }
  auto s = std::get_if<std::string>(&t.value);
  if (!s) WrongKind(t);
  auto parsed = ParseDateText(*s);
  if (!parsed) Refuse(t, "은 날짜가 아니거나 없는 날짜입니다. 년/월/일 형식(예: 2004/03/15)이어야 합니다.");
  return *parsed;
}

ConvertedValue Date(const Target& t) {
  DateTime d = RequireDate(t);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", d.year, d.month, d.day);
  return {std::string(buffer, 8)};
}

ConvertedValue Timestamp(const Target& t) {
  DateTime d = RequireDate(t);
  std::string bytes(8, '\0');
  auto* p = reinterpret_cast<std::uint8_t*>(bytes.data());
  WriteLE32(p, static_cast<std::uint32_t>(JulianDay(d.year, d.month, d.day)));
  WriteLE32(p + 4, static_cast<std::uint32_t>(d.millisecond));
  return {bytes};
}

ConvertedValue Logical(const Target& t) {
  if (auto s = std::get_if<std::string>(&t.value)) {
    std::string_view v = *s;
    while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    if (v.size() == 1) {
      switch (v[0]) {
        case 'T': case 't': case 'Y': case 'y': return {"T"};
        case 'F': case 'f': case 'N': case 'n': return {"F"};
      }
    }
    Refuse(t, "을(를) 넣을 수 없습니다. 논리 열에는 T, F, Y, N만 들어갑니다.");
  }
  if (std::holds_alternative<DateTime>(t.value)) WrongKind(t);
  auto number = NumberOf(t.value);
  if (number && number->fraction.empty() && number->integer == "0") return {"F"};
  if (number && number->fraction.empty() && number->integer == "1" && !number->negative) return {"T"};
  Refuse(t, "을(를) 넣을 수 없습니다. 논리 열에는 숫자 0과 1만 들어갑니다.");
}

}  // namespace

std::string ValueAsText(const Value& value) {
  if (auto s = std::get_if<std::string>(&value)) return *s;
  if (auto d = std::get_if<DateTime>(&value)) return DateTimeText(*d);
  if (auto n = NumberOf(value)) return PlainText(*n);
  return "?";
}

ConvertedValue ConvertValue(const Value& value, const Column& column, const std::string& table,
                            const std::string& codePage) {
  const Target t{column, table, codePage, value};
  switch (column.type) {
    case 'C': case 'V': case 'Q': return Character(t);
    case 'N': case 'F': return Numeric(t);
    case 'I': return Integer(t);
    case 'B': return Double(t);
    case 'Y': return Currency(t);
    case 'D': return Date(t);
    case 'T': return Timestamp(t);
    case 'L': return Logical(t);
    case 'M': return {TextBytes(t, ValueAsText(value))};
    default: WrongKind(t);
  }
}

}  // namespace dbf::detail
