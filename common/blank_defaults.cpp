// The blank values of a new row, by the column type codes the access layer
// reports.
#include <exception>

#include "common/fields.h"

namespace ModMain {
namespace {

enum class BlankKind { kNumber, kDate, kText, kUntouched };

BlankKind BlankKindOf(int typeCode) {
  switch (typeCode) {
    case 3: case 4: case 5: case 131:
      return BlankKind::kNumber;
    case 7: case 133: case 134: case 135:
      return BlankKind::kDate;
    case 8: case 129: case 200: case 201:
      return BlankKind::kText;
    default:  // 16-bit integer, logical, currency, binary: the new row's value stays
      return BlankKind::kUntouched;
  }
}

}  // namespace

void SetBlankDefaults(dbf::Recordset& recordset, ImportView& view) {
  try {
    const int count = recordset.ColumnCount();
    for (int position = 0; position < count; ++position) {
      switch (BlankKindOf(recordset.ColumnTypeCode(position))) {
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
    view.ShowMessage(error.what());
  }
}

}  // namespace ModMain
