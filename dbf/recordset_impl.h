// The state behind a Recordset: the open table file, its layout, the row
// being added, the reading position and the lookup's cache.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
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
  void ReadIntoLookupIndex(std::uint32_t total);

  void OpenTable(const std::string& name, const std::shared_ptr<ConnectionState>& state);
  void CloseTable();
  void BlankRow();
  std::vector<std::uint8_t>& NewRow();  // blanked as the format's blank if it was not yet
  void BlankWithZeroValues();
  void Store(int columnIndex, const Value& value);
  void Save();
  void WriteMemos();  // the new row's memo blocks, their numbers into the row
  // `same`: null for DeleteRow; else DeleteRowIfSame's judgement.
  DeleteOutcome Delete(std::uint32_t recordNumber,
                       const std::function<bool(std::span<const std::uint8_t>)>* same = nullptr);
  void NotifyRowObserver(std::uint32_t recordNumber);
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
  int RequireColumn(std::string_view name) const;
  void RequireOpen() const;
  mutable int columnHint = 0;  // where the next column-name search begins
  std::uint64_t flushGeneration = ~0ull;  // connection's flush round this table was listed in
};

}  // namespace dbf
