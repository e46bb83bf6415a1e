// The state behind a Recordset: the open table file, its layout, the row
// being added, the reading position and the lookup's cache.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "dbf/cdx/index.h"
#include "dbf/connection_state.h"
#include "dbf/dbf.h"
#include "dbf/file_handle.h"
#include "dbf/memo_file.h"
#include "dbf/table_layout.h"

namespace dbf {

struct Recordset::Impl {
  using DeleteOutcome = Recordset::DeleteOutcome;
  std::shared_ptr<ConnectionState> connection;
  std::string tableName;
  std::string path;
  detail::FileHandle file;
  detail::MemoFile memo;
  detail::TableLayout layout;
  std::string codePage;  // "" when text is stored as CP949
  detail::TableIndex structuralIndex;
  bool open = false;

  // The row being added: blanked when first set, read or saved (empty until then).
  bool adding = false;
  std::vector<std::uint8_t> row;
  std::map<int, std::string> pendingMemos;  // column index -> content ("" = none)
  // The blank with zero values, made once per open table.
  struct ZeroRow {
    std::vector<std::uint8_t> row;
    std::map<int, std::string> memos;
    std::optional<Error> refused;  // a column that refused its zero value
  };
  std::optional<ZeroRow> zeroRow;

  // Reading.
  std::uint32_t position = 0;  // 0-based record number
  std::uint32_t count = 0;     // record count when reading started
  std::vector<std::uint8_t> current;

  // The lookup's index of the rows read so far: for each text of the match
  // column, its rows in stored order as a chain (first and last row, and for
  // each row the next one with the same text). Null values are not listed.
  struct LookupIndex {
    static constexpr std::uint32_t kEnd = 0xFFFFFFFF;
    int column = -1;
    std::unordered_map<std::string, std::pair<std::uint32_t, std::uint32_t>> chains;
    std::vector<std::uint32_t> next;  // one entry per row read
  } lookup;
  // Answers of the lookup given within 50 ms of reading the table,
  // by match column, return column and value (nullopt: no row matched).
  struct LookupAnswers {
    std::chrono::steady_clock::time_point readAt;
    std::uint64_t connectionWrites = 0;
    std::uint32_t count = 0;  // the table's, read when the window began
    std::map<std::tuple<int, int, std::string>, std::optional<std::string>> answers;
    std::vector<std::uint8_t> rows;  // the counted records then, when they are few
  } lookupAnswers;
  static constexpr std::size_t kWholeLookupRead = 1u << 20;
  // Row `row` of the table, from the window's reading when `windowed` and it
  // holds the row, else read now.
  bool ReadLookupRow(std::uint32_t row, std::vector<std::uint8_t>& record, bool windowed) const;
  void ReadIntoLookupIndex(std::uint32_t total);

  void OpenTable(const std::string& name, const std::shared_ptr<ConnectionState>& state);
  void CloseTable();
  void BlankRow();
  std::vector<std::uint8_t>& NewRow();  // blanked as the format's blank if it was not yet
  void BlankWithZeroValues();
  void Store(int columnIndex, const Value& value);
  // The rows saved and not yet written, under the table's locks: the header
  // as read when the batch began, the records in order, the index's share.
  struct Batch {
    detail::ByteLocks lock;                   // released last
    std::unique_ptr<detail::IndexWrite> index;
    std::tm now {};                           // read before the locks
    std::uint8_t yearByte = 0;                // header byte 1 as found
    std::uint32_t firstCount = 0;             // the count when the batch began
    std::uint64_t dataEnd = 0;                // where the counted records end
    bool hadTail = false;                     // bytes past them (an end mark, a killed save's tail)
    std::vector<std::uint8_t> records;        // rows * recordLength bytes
    std::uint32_t rows = 0;
    std::uint32_t finishedRows = 0;           // rows of whole records
    std::chrono::steady_clock::time_point began;
  };
  std::unique_ptr<Batch> batch;
  void Save();
  void BeginBatch();
  void AddToBatch();
  // Writes the batch and ends it, or only the rows of its whole records and
  // keeps the others waiting. Throws Error.
  void CommitBatch(bool wholeRecordsOnly = false);
  void WriteBatch(Batch& batch, std::uint32_t rows);
  void DropBatch();    // ends it unwritten
  void WriteMemos();  // the new row's memo blocks, their numbers into the row
  // `same`: null for DeleteRow; else DeleteRowIfSame's judgement.
  DeleteOutcome Delete(std::uint32_t recordNumber,
                       const std::function<bool(std::span<const std::uint8_t>)>* same = nullptr);
  void NotifyRowObserver(const Batch& batch, std::uint32_t rows);
  void RepairIndex();  // Connection::RepairIndexes for this table
  void CutTail(std::uint32_t count);  // a killed save's record past the count
  void ListWrittenFiles();  // once per flush round
  std::uint32_t ReadRecordCount() const;
  bool ReadRecord(std::uint32_t index, std::vector<std::uint8_t>& out) const;
  // A column's value as CP949 text with trailing blanks removed ("" if null).
  std::string ColumnText(const std::uint8_t* record, int columnIndex,
                         const std::map<int, std::string>* memos = nullptr) const;
  bool IsNull(const std::uint8_t* record, const detail::Column& column) const;
  bool FindFirstEqual(int matchColumn, std::string_view value, int returnColumn, std::string& result);
  // `countNow`: the table's count as just read, or nullopt to read it.
  bool ReadAnswer(int matchColumn, std::string_view value, int returnColumn, std::string& result,
                  std::optional<std::uint32_t> countNow = std::nullopt);
  int RequireColumn(std::string_view name) const;
  void RequireOpen() const;
  mutable int columnHint = 0;  // where the next column-name search begins
  std::uint64_t flushGeneration = ~0ull;  // connection's flush round this table was listed in
};

}  // namespace dbf
