// The blank values of a new row, by column type.
#include <exception>

#include "common/fields.h"

namespace ModMain {
namespace {

enum class BlankKind { kNumber, kDate, kText, kUntouched };

// Numbers get 0, dates the zero date, texts one space; logical, currency and
// binary columns keep the value the new row has.
BlankKind BlankKindOf(char type, bool binary) {
  switch (type) {
    case 'N': case 'F': case 'I': case 'B':
      return BlankKind::kNumber;
    case 'D': case 'T':
      return BlankKind::kDate;
    case 'C': case 'V': case 'M':
      return binary ? BlankKind::kUntouched : BlankKind::kText;
    default:
      return BlankKind::kUntouched;
  }
}

}  // namespace

void SetBlankDefaults(dbf::Recordset& recordset, const std::function<void(const std::string&)>& report) {
  try {
    const int count = recordset.ColumnCount();
    for (int position = 0; position < count; ++position) {
      switch (BlankKindOf(recordset.ColumnType(position), recordset.ColumnIsBinary(position))) {
        case BlankKind::kNumber:
          recordset.SetValueAt(position, dbf::Value(std::int16_t{0}));
          break;
        case BlankKind::kDate:
          recordset.SetValueAt(position, dbf::Value(dbf::kZeroDate));
          break;
        case BlankKind::kText:
          recordset.SetValueAt(position, dbf::Value(std::string(" ")));
          break;
        case BlankKind::kUntouched:
          break;
      }
    }
  } catch (const std::exception& error) {
    // The remaining columns keep the new row's values; the caller goes on.
    report(error.what());
  }
}

}  // namespace ModMain
