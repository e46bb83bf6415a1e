// Record layouts as data. Each kind lists the columns it writes, in the order
// it sets them, with the bytes of the record each value comes from and how it
// is made from them; a byte position is written once, in its kind's layout.
//
//   constexpr ColumnRule kVehicle[] = {
//       Text("cno", {1, 3}, "1"), Text("car_num", {5, 12}), Number("car_cap", {40, 2})};
//   RowValues row(record, kVehicle);
//   context.WriteRow(row);
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/fields.h"
#include "dbf/dbf.h"

namespace ModMain {

enum class Rule {
  kText,           // prefix + the field
  kCodeOrEmpty,    // prefix + the field, or "" when the field is blank
  kJoined,         // the fields joined with the separator
  kJoinedOrEmpty,  // the same, or "" when all the bytes they span are blank
  kNumber,         // the leading-number rule of the field
  kDecimal,        // the leading-number rule of field 1 + "." + field 2
  kInt32,          // a whole number (halves to even); the label names it in errors
  kInt16,
  kDate,           // the date text year/month/day
  kDateOrZero,     // the date text, or the zero date when month or day reads 0
  kConstant,       // the text itself
  kSupplied,       // given by the routine (RowValues::Supply); left unset if not
};

struct ColumnRule {
  const char* column;
  Rule rule;
  std::array<Field, 3> fields{};
  const char* text = "";  // prefix, separator, label or constant
  bool inGroup = false;   // positions of item group 1; later groups lie a stride further
  const char* name = "";  // the field's name as a clerk knows it ("차량번호"), for previews and problems
};

// The name a clerk reads for the column: its field name, else the column.
inline const char* FieldName(const ColumnRule& rule) { return *rule.name ? rule.name : rule.column; }

constexpr ColumnRule Text(const char* column, Field field, const char* prefix = "") {
  return {column, Rule::kText, {field}, prefix};
}
constexpr ColumnRule CodeOrEmpty(const char* column, const char* prefix, Field field) {
  return {column, Rule::kCodeOrEmpty, {field}, prefix};
}
constexpr ColumnRule Joined(const char* column, const char* separator, Field a, Field b, Field c = {}) {
  return {column, Rule::kJoined, {a, b, c}, separator};
}
constexpr ColumnRule JoinedOrEmpty(const char* column, const char* separator, Field a, Field b, Field c = {}) {
  return {column, Rule::kJoinedOrEmpty, {a, b, c}, separator};
}
constexpr ColumnRule Number(const char* column, Field field) { return {column, Rule::kNumber, {field}}; }
constexpr ColumnRule Decimal(const char* column, Field whole, Field fraction) {
  return {column, Rule::kDecimal, {whole, fraction}};
}
// The label of a whole number names it in errors and is its field name.
constexpr ColumnRule Int32(const char* column, Field field, const char* label) {
  return {column, Rule::kInt32, {field}, label, false, label};
}
constexpr ColumnRule Int16(const char* column, Field field, const char* label) {
  return {column, Rule::kInt16, {field}, label, false, label};
}
constexpr ColumnRule Date(const char* column, Field year, Field month, Field day) {
  return {column, Rule::kDate, {year, month, day}};
}
constexpr ColumnRule DateOrZero(const char* column, Field year, Field month, Field day) {
  return {column, Rule::kDateOrZero, {year, month, day}};
}
constexpr ColumnRule Constant(const char* column, const char* text) { return {column, Rule::kConstant, {}, text}; }
constexpr ColumnRule Supplied(const char* column) { return {column, Rule::kSupplied}; }
constexpr ColumnRule InGroup(ColumnRule rule) {
  rule.inGroup = true;
  return rule;
}
// A layout line with its field name first: Named("차량번호", Text("car_num", {5, 12})).
constexpr ColumnRule Named(const char* name, ColumnRule rule) {
  rule.name = name;
  return rule;
}

// The values of one row, cut from a record by a layout. Cutting never fails;
// the whole-number rules are converted by Convert (or WriteRow), so a routine
// decides what may fail before them (a missing table, say).
class RowValues {
 public:
  RowValues(const std::string& record, std::span<const ColumnRule> layout, int groupOffset = 0);

  // The text a column's value was made from: the cut (and prefixed or joined)
  // text, the date text, or the text of a whole number not yet converted.
  const std::string& Text(std::string_view column) const;
  // The leading-number rule of the column's text (a decimal's value).
  double Number(std::string_view column) const;
  // Throws ImportFailure naming the field and its date text when a date
  // column's month or day reads 0.
  void RequireMonthAndDay(std::string_view column) const;
  void Supply(std::string_view column, dbf::Value value);
  // Adds another layout's columns after these (a second amount's details).
  void Append(const RowValues& more);
  // Converts the whole numbers in column order; throws ImportFailure.
  void Convert();

  struct Entry {
    const ColumnRule* rule;
    std::string text;
    std::optional<dbf::Value> value;  // unset: the column keeps its blank default
    std::array<std::string, 3> parts;  // the cut fields
  };
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  Entry& Find(std::string_view column);
  const Entry& Find(std::string_view column) const;
  std::vector<Entry> entries_;
};

}  // namespace ModMain
