// Conversion of a value handed to SetValue into the bytes of one column.
#pragma once

#include <string>

#include "dbf/dbf.h"
#include "dbf/table_layout.h"

namespace dbf::detail {

struct ConvertedValue {
  // Fixed columns: exactly the column's bytes. Memo columns: the memo's
  // content (empty: no memo). V/Q: the value's bytes, at most the length.
  std::string bytes;
};

// Converts `value` for `column` of table `table` whose text code page is
// `codePage` ("" = CP949 stored as is). Throws Error naming table, column and
// value when the value does not fit or cannot be converted.
ConvertedValue ConvertValue(const Value& value, const Column& column, const std::string& table,
                            const std::string& codePage);

// The value as CP949 text, for messages.
std::string ValueAsText(const Value& value);

}  // namespace dbf::detail
