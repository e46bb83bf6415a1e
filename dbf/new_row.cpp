// The row being added: its blank, the one place that knows each column
// type's blank, and the values set into it.
#include <cstring>

#include "dbf/conversions.h"
#include "dbf/messages.h"
#include "dbf/recordset_impl.h"

namespace dbf {

namespace {

void SetBit(std::vector<std::uint8_t>& row, int base, int bit, bool on) {
  if (bit < 0 || base < 0) return;
  std::uint8_t& byte = row[base + (bit >> 3)];
  const std::uint8_t mask = static_cast<std::uint8_t>(1u << (bit & 7));
  byte = on ? (byte | mask) : (byte & ~mask);
}

// The format's blank bytes: zeros for binary numbers, times, V/Q columns
// and a Visual FoxPro memo's block number; spaces for everything else.
bool BlankIsZeros(const detail::Column& c, bool vfp) {
  switch (c.type) {
    case 'T': case 'I': case 'B': case 'Y': case 'V': case 'Q': return true;
    default: return vfp && c.IsMemo();
  }
}

// A column's zero value (Recordset::Blank::kZeroValues), false when its type
// has none: numbers 0, dates the zero date, texts one space. Logical,
// currency, binary texts and objects keep the format's blank.
bool ZeroValue(const detail::Column& c, Value& zero) {
  switch (c.type) {
    case 'N': case 'F': case 'I': case 'B': zero = std::int16_t{0}; return true;
    case 'D': case 'T': zero = kZeroDate; return true;
    case 'C': case 'V': case 'M': zero = std::string(" "); return !c.binary;
    default: return false;
  }
}

}  // namespace

// Blank as FoxPro appends a blank record: every nullable column null and
// every V/Q column empty.
void Recordset::Impl::BlankRow() {
  // One byte more than the record: the end mark, so a save is one write.
  row.assign(layout.recordLength + 1, ' ');
  row.back() = 0x1A;
  pendingMemos.clear();
  const bool vfp = layout.IsVisualFoxPro();
  for (const detail::Column& c : layout.columns)
    if (BlankIsZeros(c, vfp)) std::memset(row.data() + c.offset, 0, c.length);
  if (layout.nullFlagsOffset >= 0) {
    std::memset(row.data() + layout.nullFlagsOffset, 0, layout.nullFlagsLength);
    for (const detail::Column& c : layout.columns) {
      SetBit(row, layout.nullFlagsOffset, c.nullBit, true);
      SetBit(row, layout.nullFlagsOffset, c.varLengthBit, true);
    }
  }
}

std::vector<std::uint8_t>& Recordset::Impl::NewRow() {
  if (row.empty()) BlankRow();
  return row;
}

// The zero values are converted once per open table and copied into each row.
void Recordset::Impl::BlankWithZeroValues() {
  if (!zeroRow) {
    BlankRow();
    std::optional<Error> refused;
    try {
      Value zero;
      for (std::size_t i = 0; i < layout.columns.size(); ++i)
        if (ZeroValue(layout.columns[i], zero)) Store(static_cast<int>(i), zero);
    } catch (const Error& error) {
      refused = error;  // the columns after it keep the format's blank
    }
    zeroRow = ZeroRow{row, pendingMemos, std::move(refused)};
  }
  row = zeroRow->row;
  pendingMemos = zeroRow->memos;
  if (zeroRow->refused) throw *zeroRow->refused;
}

void Recordset::Impl::Store(int columnIndex, const Value& value) {
  const detail::Column& c = layout.columns[columnIndex];
  detail::ConvertedValue converted = detail::ConvertValue(value, c, tableName, codePage);
  std::uint8_t* field = NewRow().data() + c.offset;
  if (c.IsMemo()) {
    pendingMemos[columnIndex] = std::move(converted.bytes);
  } else if (c.type == 'V' || c.type == 'Q') {
    const size_t length = converted.bytes.size();
    std::memset(field, 0, c.length);
    std::memcpy(field, converted.bytes.data(), length);
    // A shorter value keeps its length in the field's last byte.
    if (length < static_cast<size_t>(c.length)) field[c.length - 1] = static_cast<std::uint8_t>(length);
    SetBit(row, layout.nullFlagsOffset, c.varLengthBit, length < static_cast<size_t>(c.length));
  } else {
    std::memcpy(field, converted.bytes.data(), c.length);
  }
  SetBit(row, layout.nullFlagsOffset, c.nullBit, false);
}

}  // namespace dbf
