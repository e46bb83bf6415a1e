// The literal lookup: first live row whose column equals a value exactly.
#include <algorithm>

#include "dbf/messages.h"
#include "dbf/recordset_impl.h"

namespace dbf {

bool Recordset::Impl::FindFirstEqual(int matchColumn, std::string_view value, int returnColumn,
                                     std::string& result) {
  if (matchColumn != lookupMatchColumn || returnColumn != lookupReturnColumn) {
    lookupRows.clear();
    lookupMatchColumn = matchColumn;
    lookupReturnColumn = returnColumn;
  }
  // Rows appended since the last call (by anyone) are read; a shrunken table
  // (packed by its owner) is read again from the start.
  const std::uint32_t total = ReadRecordCount();
  if (total < lookupRows.size()) lookupRows.clear();
  const std::uint32_t chunkRecords = std::max<std::uint32_t>(1, (1u << 20) / layout.recordLength);
  std::vector<std::uint8_t> chunk;
  for (std::uint32_t first = static_cast<std::uint32_t>(lookupRows.size()); first < total;) {
    const std::uint32_t n = std::min(chunkRecords, total - first);
    chunk.resize(std::size_t(n) * layout.recordLength);
    const std::uint64_t at = layout.headerLength + std::uint64_t(first) * layout.recordLength;
    const long got = file.ReadAt(at, chunk.data(), chunk.size());
    if (got != static_cast<long>(chunk.size())) detail::FailTable(tableName, "을(를) 읽을 수 없습니다.");
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint8_t* record = chunk.data() + std::size_t(i) * layout.recordLength;
      const bool null = IsNull(record, layout.columns[matchColumn]);
      lookupRows.push_back({null, ColumnText(record, matchColumn), ColumnText(record, returnColumn)});
    }
    first += n;
  }
  for (std::size_t i = 0; i < lookupRows.size(); ++i) {
    if (lookupRows[i].null || lookupRows[i].match != value) continue;
    // The deletion flag is read now, not from the cache: rows get deleted.
    std::uint8_t flag = 0;
    const std::uint64_t at = layout.headerLength + std::uint64_t(i) * layout.recordLength;
    if (file.ReadAt(at, &flag, 1) != 1) continue;
    if (flag == '*') continue;
    result = lookupRows[i].result;
    return true;
  }
  return false;
}

}  // namespace dbf
