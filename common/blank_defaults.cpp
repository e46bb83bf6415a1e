// The blank values of a new row, by column type: the table layer's zero values.
#include <exception>

#include "common/fields.h"

namespace ModMain {

void SetBlankDefaults(dbf::Recordset& recordset, const std::function<void(const std::string&)>& report) {
  try {
    recordset.BlankNewRow(dbf::Recordset::Blank::kZeroValues);
  } catch (const std::exception& error) {
    // The remaining columns keep the new row's values; the caller goes on.
    report(error.what());
  }
}

}  // namespace ModMain
