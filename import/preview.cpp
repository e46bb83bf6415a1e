#include "import/preview.h"

#include <algorithm>
#include <exception>

#include "common/encoding.h"
#include "common/record_layout.h"
#include "import/kinds.h"

namespace ModMain {
namespace {

// Columns the routine supplies or fixes come from no bytes of the record.
bool CutFromRecord(Rule rule) { return rule != Rule::kSupplied && rule != Rule::kConstant; }

std::vector<PreviewField> Fields(const std::string& record, std::span<const ColumnRule> layout) {
  std::vector<PreviewField> fields;
  try {
    const RowValues row(record, layout);
    for (const RowValues::Entry& entry : row.Entries())
      if (CutFromRecord(entry.rule->rule)) fields.push_back({FieldName(*entry.rule), Cp949ToUtf8(entry.text)});
  } catch (const std::exception& error) {
    fields = {{"레코드", error.what()}};  // a record the check refused; the preview follows a clean check
  }
  return fields;
}

}  // namespace

std::vector<PreviewRecord> PreviewRecords(const ExportFile& file, int count) {
  const int lines = static_cast<int>(file.RecordLines.size());
  // The last line is the trailer, except in the site file.
  const int records = file.kind == ImportKind::kReadyMixSites ? lines : lines - 1;
  const std::span<const ColumnRule> layout = KindInfoOf(file.kind).layout();
  std::vector<PreviewRecord> preview;
  for (int i = 0; i < std::min(count, records); ++i)
    preview.push_back({i + 1, Fields(file.RecordLines[static_cast<std::size_t>(i)], layout)});
  return preview;
}

}  // namespace ModMain
