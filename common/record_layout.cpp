#include "common/record_layout.h"

#include <algorithm>

#include "common/errors.h"
#include "common/messages.h"

namespace ModMain {
namespace {

bool StoresText(Rule rule) {
  return rule == Rule::kText || rule == Rule::kCodeOrEmpty || rule == Rule::kJoined || rule == Rule::kJoinedOrEmpty;
}

// A text field must be CP949 where the table will store it, without NUL or
// 0x1A (the end of a text, the end of a table file, to other programs): the
// failure names the column and the byte of the record.
void RequireCp949(const std::string& record, const ColumnRule& rule, Field field, const std::string& cut) {
  const std::size_t stray = dbf::FirstNonCp949Byte(cut);
  const std::size_t control = cut.find_first_of(std::string_view("\0\x1A", 2));
  const std::size_t bad = std::min(stray, control);
  if (bad == std::string::npos) return;
  const std::size_t at = record.find(cut, static_cast<std::size_t>(field.start - 1)) + bad;
  const auto message = bad == stray ? NotCp949Message : ControlByteMessage;
  throw ImportFailure(message(FieldName(rule), field.start, field.start + field.length - 1,
                              static_cast<unsigned char>(record[at]), static_cast<int>(at + 1)),
                      FieldName(rule), cut);
}

}  // namespace

RowValues::RowValues(const std::string& record, std::span<const ColumnRule> layout, int groupOffset) {
  entries_.reserve(layout.size());
  for (const ColumnRule& rule : layout) {
    Entry entry{&rule, {}, {}, {}};
    const int shift = rule.inGroup ? groupOffset : 0;
    for (std::size_t i = 0; i < rule.fields.size(); ++i) {
      const Field field = rule.fields[i];
      if (field.length == 0) continue;
      entry.parts[i] = CutField(record, field.start + shift, field.length);
      if (StoresText(rule.rule)) RequireCp949(record, rule, {field.start + shift, field.length}, entry.parts[i]);
    }
    const auto& parts = entry.parts;
    switch (rule.rule) {
      case Rule::kText:
        entry.text = rule.text + parts[0];
        entry.value = entry.text;
        break;
      case Rule::kCodeOrEmpty:
        entry.text = parts[0].empty() ? std::string() : rule.text + parts[0];
        entry.value = entry.text;
        break;
      case Rule::kJoined:
      case Rule::kJoinedOrEmpty: {
        const int count = rule.fields[2].length > 0 ? 3 : 2;
        if (rule.rule == Rule::kJoinedOrEmpty) {
          // Blank when every byte from the first part to the last is blank.
          const Field first = rule.fields[0], last = rule.fields[count - 1];
          if (CutField(record, first.start + shift, last.start + last.length - first.start).empty()) {
            entry.value = entry.text;
            break;
          }
        }
        for (int i = 0; i < count; ++i) entry.text += (i > 0 ? rule.text : "") + parts[i];
        entry.value = entry.text;
        break;
      }
      case Rule::kNumber:
        entry.text = parts[0];
        entry.value = LeadingNumber(entry.text);
        break;
      case Rule::kDecimal:
        entry.text = parts[0] + "." + parts[1];
        entry.value = LeadingNumber(entry.text);
        break;
      case Rule::kInt32:
      case Rule::kInt16:
        entry.text = parts[0];  // converted by Convert
        break;
      case Rule::kDate:
        entry.text = DateText(parts[0], parts[1], parts[2]);
        entry.value = entry.text;
        break;
      case Rule::kDateOrZero:
        entry.text = DateText(parts[0], parts[1], parts[2]);
        entry.value = DateValueOrZero(parts[0], parts[1], parts[2]);
        break;
      case Rule::kConstant:
        entry.text = rule.text;
        entry.value = entry.text;
        break;
      case Rule::kSupplied:
        break;
    }
    entries_.push_back(std::move(entry));
  }
}

RowValues::Entry& RowValues::Find(std::string_view column) {
  for (Entry& entry : entries_)
    if (column == entry.rule->column) return entry;
  throw std::logic_error("no column " + std::string(column) + " in the layout");
}

const RowValues::Entry& RowValues::Find(std::string_view column) const {
  return const_cast<RowValues*>(this)->Find(column);
}

const std::string& RowValues::Text(std::string_view column) const { return Find(column).text; }

double RowValues::Number(std::string_view column) const { return LeadingNumber(Find(column).text); }

void RowValues::RequireMonthAndDay(std::string_view column) const {
  const Entry& entry = Find(column);
  if (!HasMonthAndDay(entry.parts[1], entry.parts[2]))
    throw ImportFailure(NoMonthOrDayMessage(entry.parts[1], entry.parts[2]), FieldName(*entry.rule), entry.text);
}

void RowValues::Supply(std::string_view column, dbf::Value value) { Find(column).value = std::move(value); }

void RowValues::Append(const RowValues& more) {
  entries_.insert(entries_.end(), more.entries_.begin(), more.entries_.end());
}

void RowValues::Convert() {
  for (Entry& entry : entries_) {
    if (entry.value) continue;
    if (entry.rule->rule == Rule::kInt32) entry.value = ToInt32(entry.text, entry.rule->text);
    if (entry.rule->rule == Rule::kInt16) entry.value = ToInt16(entry.text, entry.rule->text);
  }
}

}  // namespace ModMain
