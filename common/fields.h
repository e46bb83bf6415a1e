// Cutting fields out of fixed-width CP949 records, blank defaults of a new
// row, and the conversions every import shares.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "dbf/dbf.h"

namespace ModMain {

// A field of a record layout: 1-based byte position and length in bytes.
struct Field {
  int start;
  int length;
};

// The bytes start..start+length-1 of the record (fewer at its end, empty past
// it), with spaces (code 32 only) trimmed at both ends. A two-byte character
// cut in half at either edge is dropped, so the result is valid CP949; lead
// and trail bytes are found by scanning the record from byte 1.
std::string CutField(const std::string& record, int start, int length);
inline std::string CutField(const std::string& record, Field field) {
  return CutField(record, field.start, field.length);
}

// Gives every column of the recordset's new row its blank value by type code:
// 0 for numbers, the zero date for dates, one space for texts; other types
// stay as the new row has them. A refused value shows its message and stops
// the visit after `report` got its message; the caller goes on.
void SetBlankDefaults(dbf::Recordset& recordset, const std::function<void(const std::string&)>& report);

// The leading-number rule: blanks, tabs and line feeds anywhere are skipped,
// then an optional sign, digits and at most one '.' are read from the start;
// 0 when there is no leading number. Never fails.
double LeadingNumber(std::string_view text);

// Whole-number conversions, halves to even. Blank, non-numeric or
// out-of-range text throws ImportFailure naming the field and its text.
// fieldLabel is the field's Korean name (UTF-8); text is CP949.
std::int32_t ToInt32(std::string_view text, std::string_view fieldLabel);
std::int16_t ToInt16(std::string_view text, std::string_view fieldLabel);
// The 32-bit one for a number already read (a double from LeadingNumber).
std::int32_t RoundToInt32(double value, std::string_view text, std::string_view fieldLabel);

// year + "/" + month + "/" + day of the trimmed parts.
std::string DateText(const std::string& year, const std::string& month, const std::string& day);
// True when month and day both read as numbers other than 0 (leading-number rule).
bool HasMonthAndDay(const std::string& month, const std::string& day);
// The date text, or the zero date when the month or the day reads as 0.
dbf::Value DateValueOrZero(const std::string& year, const std::string& month, const std::string& day);

// Characters (not bytes) `from`..`from+count-1` (1-based) of a CP949 text.
std::string MidChars(const std::string& text, int from, int count);
// True when `needle` occurs in `text` at a character boundary (CP949).
bool ContainsText(const std::string& text, const std::string& needle);

// CP949 form of a UTF-8 literal, converted once and kept.
const std::string& Cp949(const char* utf8Literal);

}  // namespace ModMain
