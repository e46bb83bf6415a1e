// Reading a column of a stored record back as CP949 text.
#include <charconv>
#include <cstdio>
#include <cstring>

#include "dbf/ascii.h"
#include "dbf/code_page.h"
#include "dbf/dates.h"
#include "dbf/number_text.h"
#include "dbf/recordset_impl.h"

namespace dbf {

namespace {

// Text fields end in blanks or NULs; numbers and dates are blank padded.
std::string TrimTrailing(std::string_view text) { return std::string(ascii::TrimRight(text, ascii::kSpacesAndNuls)); }
std::string TrimBoth(std::string_view text) { return std::string(ascii::TrimLeft(ascii::TrimRight(text, ascii::kSpacesAndNuls))); }

}  // namespace

bool Recordset::Impl::IsNull(const std::uint8_t* record, const detail::Column& c) const {
  if (c.nullBit < 0 || layout.nullFlagsOffset < 0) return false;
  return (record[layout.nullFlagsOffset + (c.nullBit >> 3)] >> (c.nullBit & 7)) & 1;
}

std::string Recordset::Impl::ColumnText(const std::uint8_t* record, int columnIndex,
                                        const std::map<int, std::string>* memos) const {
  const detail::Column& c = layout.columns[columnIndex];
  if (IsNull(record, c)) return "";
  const char* field = reinterpret_cast<const char*>(record + c.offset);
  auto toCp949 = [&](std::string bytes) {
    std::string out;
    if (c.binary || codePage.empty() || codePage == "?" || !detail::ConvertText(bytes, codePage, "CP949", out))
      return bytes;
    return out;
  };
  switch (c.type) {
    case 'C':
      return TrimTrailing(toCp949(std::string(field, c.length)));
    case 'V':
    case 'Q': {
      size_t length = c.length;
      const int bit = c.varLengthBit;
      if (bit >= 0 && ((record[layout.nullFlagsOffset + (bit >> 3)] >> (bit & 7)) & 1))
        length = std::min<size_t>(static_cast<std::uint8_t>(field[c.length - 1]), c.length);
      return TrimTrailing(toCp949(std::string(field, length)));
    }
    case 'N':
    case 'F':
    case 'D':
      return TrimBoth(std::string(field, c.length));
    case 'L':
      switch (field[0]) {
        case 'T': case 't': case 'Y': case 'y': return "T";
        case 'F': case 'f': case 'N': case 'n': return "F";
        default: return "";
      }
    case 'I': {
      std::int32_t v;
      std::memcpy(&v, field, 4);
      return std::to_string(v);
    }
    case 'B': {
      double v;
      std::memcpy(&v, field, 8);
      auto d = detail::DecimalFromDouble(v);
      return d ? detail::PlainText(*d) : "";
    }
    case 'Y': {
      std::int64_t v;
      std::memcpy(&v, field, 8);
      detail::Decimal d = detail::DecimalFromInteger(v / 10000);
      const std::int64_t rest = v % 10000;
      char fraction[8];
      std::snprintf(fraction, sizeof fraction, "%04lld", static_cast<long long>(rest < 0 ? -rest : rest));
      d.fraction = fraction;
      if (v < 0) d.negative = true;
      while (!d.fraction.empty() && d.fraction.back() == '0') d.fraction.pop_back();
      if (v == 0) d.negative = false;
      return detail::PlainText(d);
    }
    case 'T': {
      const std::uint32_t day = detail::ReadLE32(record + c.offset);
      const std::uint32_t ms = detail::ReadLE32(record + c.offset + 4);
      if (day == 0) return "";
      return detail::DateTimeText(detail::FromJulianDay(day, static_cast<int>(ms)), true);
    }
    case 'M': {
      if (memos) {
        auto it = memos->find(columnIndex);
        if (it != memos->end()) return TrimTrailing(toCp949(it->second));
      }
      std::uint32_t block = 0;
      if (c.length == 4) {
        block = detail::ReadLE32(record + c.offset);
      } else {
        std::string digits = TrimBoth(std::string(field, c.length));
        std::from_chars(digits.data(), digits.data() + digits.size(), block);
      }
      if (block == 0 || !memo.IsOpen()) return "";
      return TrimTrailing(toCp949(memo.Read(block)));
    }
    default:
      return "";  // G, P, W: binary objects are not shown as text
  }
}

}  // namespace dbf
