// The literal lookup: the first live row whose column equals a value exactly.
// An index from the column's text to its rows keeps a run at about one read of
// the table plus one record read per lookup, however many rows it has. On a
// connection that writes in batches, the answers given within 50 ms of a
// reading are given again without one, and the count read then stands, as a
// batch's rows are written within 50 ms of their saves; a check looks up the
// same way (on a share every read is a round trip: a batch should
// not wait for a read per row).
#include <algorithm>
#include <utility>

#include "dbf/messages.h"
#include "dbf/recordset_impl.h"

namespace dbf {

// Adds the rows from the last one indexed up to `total`, read in large chunks.
void Recordset::Impl::ReadIntoLookupIndex(std::uint32_t total) {
  const detail::Column& column = layout.columns[lookup.column];
  const std::uint32_t chunkRecords = std::max<std::uint32_t>(1, (1u << 20) / layout.recordLength);
  std::vector<std::uint8_t> chunk;
  for (std::uint32_t first = static_cast<std::uint32_t>(lookup.next.size()); first < total;) {
    const std::uint32_t n = std::min(chunkRecords, total - first);
    chunk.resize(std::size_t(n) * layout.recordLength);
    const std::uint64_t at = layout.headerLength + std::uint64_t(first) * layout.recordLength;
    if (file.ReadAt(at, chunk.data(), chunk.size()) != static_cast<long>(chunk.size()))
      detail::FailTable(tableName, "을(를) 읽을 수 없습니다.");
    for (std::uint32_t i = 0; i < n; ++i, ++first) {
      const std::uint8_t* record = chunk.data() + std::size_t(i) * layout.recordLength;
      lookup.next.push_back(LookupIndex::kEnd);
      if (IsNull(record, column)) continue;
      auto [chain, added] = lookup.chains.try_emplace(ColumnText(record, lookup.column), first, first);
      if (!added) lookup.next[std::exchange(chain->second.second, first)] = first;
    }
  }
}

bool Recordset::Impl::FindFirstEqual(int matchColumn, std::string_view value, int returnColumn,
                                     std::string& result) {
  // The rows of this table's open batch must be seen: it is written first.
  if (connection->batchOwner && connection->batchOwner->path == path) connection->EndBatch();
  // The window begins at a reading and ends after 50 ms or at a write of this
  // connection to the table (its rows must be seen at once).
  using namespace std::chrono_literals;
  const auto now = std::chrono::steady_clock::now();
  LookupAnswers& cache = lookupAnswers;
  if (!connection->batching && !connection->checkOnly) return ReadAnswer(matchColumn, value, returnColumn, result);
  if (now - cache.readAt >= 50ms || cache.connectionWrites != connection->writes[path]) {
    cache = {now, connection->writes[path], ReadRecordCount(), {}, {}};
    // A small table is read whole, in one read, for the window's candidates.
    const std::size_t bytes = std::size_t(cache.count) * layout.recordLength;
    if (bytes <= kWholeLookupRead) {
      cache.rows.resize(bytes);
      if (file.ReadAt(layout.headerLength, cache.rows.data(), bytes) != static_cast<long>(bytes)) cache.rows.clear();
    }
  }
  const auto [answer, fresh] = cache.answers.try_emplace({matchColumn, returnColumn, std::string(value)});
  if (!fresh) {
    if (answer->second) result = *answer->second;
    return answer->second.has_value();
  }
  if (ReadAnswer(matchColumn, value, returnColumn, result, cache.count)) answer->second = result;
  return answer->second.has_value();
}

bool Recordset::Impl::ReadLookupRow(std::uint32_t row, std::vector<std::uint8_t>& record, bool windowed) const {
  const std::size_t at = std::size_t(row) * layout.recordLength;
  const std::vector<std::uint8_t>& rows = lookupAnswers.rows;
  if (windowed && at + layout.recordLength <= rows.size()) {
    std::copy(rows.begin() + at, rows.begin() + at + layout.recordLength, record.begin());
    return true;
  }
  return file.ReadAt(layout.headerLength + at, record.data(), record.size()) == static_cast<long>(record.size());
}

bool Recordset::Impl::ReadAnswer(int matchColumn, std::string_view value, int returnColumn, std::string& result,
                                  std::optional<std::uint32_t> countNow) {
  const detail::Column& column = layout.columns[matchColumn];
  std::vector<std::uint8_t> record(layout.recordLength);
  // A row found changed (rewritten by its owner, or the table packed and
  // refilled) sends the lookup once more through a fresh index.
  for (bool fresh = false;; fresh = true) {
    const std::uint32_t total = countNow && !fresh ? *countNow : ReadRecordCount();
    // Rows appended since the last call, by anyone, are added; a shrunken
    // table (packed by its owner) is read again from the start.
    if (matchColumn != lookup.column || total < lookup.next.size() || fresh) lookup = {}, lookup.column = matchColumn;
    ReadIntoLookupIndex(total);
    const auto chain = lookup.chains.find(std::string(value));
    std::uint32_t row = chain == lookup.chains.end() ? LookupIndex::kEnd : chain->second.first;
    for (; row != LookupIndex::kEnd; row = lookup.next[row]) {
      // The row is read now, not taken from the index: rows get deleted,
      // recalled and changed by the program that owns the table.
      const bool changed = !ReadLookupRow(row, record, !fresh && countNow.has_value()) ||
                           IsNull(record.data(), column) || ColumnText(record.data(), matchColumn) != value;
      if (changed && !fresh) break;
      if (changed || record[0] == '*') continue;
      result = ColumnText(record.data(), returnColumn);
      return true;
    }
    if (row == LookupIndex::kEnd) return false;
  }
}

}  // namespace dbf
