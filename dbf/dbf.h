// Table access layer: reads and appends dBASE / FoxPro / Visual FoxPro tables
// (.dbf with .fpt or .dbt memo files) in a directory shared with the application
// that owns them. No Qt. All texts handed in and out are CP949 bytes unless a
// comment says UTF-8; error descriptions are Korean UTF-8 sentences.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace dbf {

// A failure of the access layer. what() is a Korean UTF-8 sentence a clerk can
// act on, naming the table, the column and the value where they are known;
// a value refused by a column also carries the column and the value (CP949).
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message, std::string column = {}, std::string value = {})
      : std::runtime_error(message), column_(std::move(column)), value_(std::move(value)) {}
  const std::string& Column() const { return column_; }
  const std::string& Value() const { return value_; }

 private:
  std::string column_;
  std::string value_;
};

// A calendar date (proleptic Gregorian) with an optional time of day.
struct DateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int millisecond = 0;  // since midnight
  friend bool operator==(const DateTime&, const DateTime&) = default;
};
// 30 December 1899, 00:00:00: the blank value of date columns.
inline constexpr DateTime kZeroDate{1899, 12, 30, 0};

// A value handed to a column. Text is CP949 bytes.
using Value = std::variant<std::string, std::int16_t, std::int32_t, double, DateTime>;

class Recordset;
struct ConnectionState;

// An index this layer did not keep current while writing a table: a tag of
// the table's structural index (.cdx) it cannot maintain exactly, or an index
// file beside the table that the table's header does not announce.
struct StaleIndex {
  std::string table;   // the table's name as opened
  std::string index;   // the tag's name, or the index file's name on disk
  std::string reason;  // short, Korean UTF-8
  friend bool operator==(const StaleIndex&, const StaleIndex&) = default;
};

// A tag of a structural index this layer found broken (keys out of order,
// links or parent keys wrong, keys missing or extra against the table's rows)
// and built anew from the rows.
struct RebuiltTag {
  std::string table;  // the table's name as opened
  std::string index;  // the index file's name on disk
  std::string tag;
  friend bool operator==(const RebuiltTag&, const RebuiltTag&) = default;
};

// A row a save is about to write: its record number and its bytes (deletion
// flag first, no end mark).
struct ObservedRow {
  std::uint32_t recordNumber = 0;
  std::span<const std::uint8_t> record;
};
// Hears of the rows a batch is about to write, all of one table (its name as
// opened), in record order. Called under the table's lock once the numbers are
// known and before any byte of the records is written; an exception it throws
// fails the batch with its records unwritten.
using RowObserver = std::function<void(const std::string& table, std::span<const ObservedRow> rows)>;

// Where a batch's write stands, for tests that stop a program there.
enum class BatchPoint { kRecordsWritten, kCountWritten };

// The table directory. Never creates, renames or deletes a file in it.
class Connection {
 public:
  Connection();
  ~Connection();  // closes (and flushes) like Close()
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens the table directory. Throws Error naming it when it cannot be read.
  // With `checkOnly`, every save is checked as a real one (the values, the
  // table) and counted in CheckedRows, and nothing is ever written.
  void Open(const std::string& directory, bool checkOnly = false);
  // Rows each table would have received, by table name (checkOnly).
  const std::map<std::string, int>& CheckedRows() const;
  bool IsOpen() const;
  // Closes every recordset opened on this connection, then flushes (fdatasync)
  // every table written since the last flush.
  void Close();
  const std::string& Directory() const;

  // The table-existence check: true when <name>.dbf exists in the table
  // directory (case-insensitive match). A name holding anything but ASCII
  // letters, digits and '_' names no table: false. Two files differing only in
  // case: throws Error naming both.
  bool TableExists(std::string_view tableName) const;

  // fdatasync every table (and memo file) written since the last flush.
  void FlushWrittenTables();
  // The indexes that the writes since the last call left stale, once each,
  // in the order met; clears the list. Every tag of a structural index that
  // this layer can maintain exactly is kept current and is not listed.
  std::vector<StaleIndex> TakeStaleIndexes();
  // The tags this connection rebuilt since the last call, once each; clears
  // the list. A check-only connection rebuilds in memory and lists none.
  std::vector<RebuiltTag> TakeRebuiltTags();

  // Checks every tag kept current of each named table's structural index
  // against every row, under the table's and the index's locks, and rebuilds
  // each tag that differs (TakeRebuiltTags names them). Tables that do not
  // exist are passed over. For the tables a killed run wrote: the first write
  // of a save checks only the tree and the key count. Throws Error.
  void RepairIndexes(const std::vector<std::string>& tables);

  // The observer of every save on this connection's recordsets until the next
  // Open (none: an empty function). A check-only connection never calls it.
  void SetRowObserver(RowObserver observer);

  // Batches. Without them every Update writes its row before it returns.
  // After BeginBatches, the saves of this connection's recordsets are held
  // under the locks of their table and written together: records with the end
  // mark in one write, then the count once, then the index pages. A batch
  // ends at EndBatch, when a row of another table is saved, before a lookup
  // in its table, a delete or an index repair on the connection, at a flush
  // and when its recordset closes; it never holds more than kMaxBatchRows
  // rows. A check-only connection keeps writing row by row (to memory).
  static constexpr std::uint32_t kMaxBatchRows = 1000;
  void BeginBatches();
  // The rows saved so far make whole records: a batch may end here.
  void FinishRecord();
  // True when the open batch should end at the next whole record: it holds
  // kMaxBatchRows rows or began 50 ms ago.
  bool BatchDue() const;
  // Writes the open batch, if any. Throws Error (or what the row observer
  // threw); the failed batch's rows are not saved, and the table is as it was
  // before them. A batch write that failed since the last call elsewhere (a
  // table switch, a close, WriteFinishedRecords) is thrown again here, so
  // that the records waiting for it are not taken as saved.
  void EndBatch();
  // Writes the rows of the whole records of the open batch (as EndBatch) and
  // keeps the rows saved since the last FinishRecord waiting, under the locks.
  void WriteFinishedRecords();
  // Takes the rows saved since the last FinishRecord out of the open batch
  // (a record that failed half way is written whole or not at all).
  void DropUnfinishedRecord();
  // The rows written to each table (by name as opened) since the last call.
  std::map<std::string, int> TakeSavedRows();
  // Test aid: called at each point of every batch's write.
  void SetBatchProbe(std::function<void(BatchPoint)> probe);

 private:
  friend class Recordset;
  std::shared_ptr<ConnectionState> state_;
};

// A handle on one table: append rows one at a time, read rows, look up by name.
class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Opens <tableName>.dbf of the connection's directory. Throws Error naming
  // the table (and the directory) if it cannot be opened or is not a valid
  // table of a supported version.
  void Open(std::string_view tableName, Connection& connection);
  bool IsOpen() const;
  void Close();  // no-op when closed
  const std::string& TableName() const;  // as opened

  // Appending: AddNew makes an empty new row current; Update saves it. The
  // row is blank as the format's blank record (spaces, zero binaries,
  // nullable columns null) unless BlankNewRow chose the zero values.
  void AddNew();
  // Makes the new row the blank of that kind. kZeroValues: numbers (N F I B)
  // 0, dates (D T) the zero date, texts (C V M not stored binary) one space,
  // the other columns as the format's blank. Throws Error when a column
  // refuses its value: the columns before it have theirs, the others the
  // format's blank.
  enum class Blank { kFormat, kZeroValues };
  void BlankNewRow(Blank blank);
  void SetValue(std::string_view columnName, const Value& value);  // case-insensitive name
  void Update();
  // Drops the row being added, if any.
  void Discard();

  // Marks row `recordNumber` (1-based, within the count) deleted, under the
  // table's header lock and the row's lock, and takes its keys out of the
  // tags whose FOR clause no longer holds (or puts them in where it now does).
  void DeleteRow(std::uint32_t recordNumber);
  // DeleteRow only while the row is what the caller saved: `same` judges the
  // row's bytes (deletion flag first) under both locks, so no program that
  // honours them changes the row between the judgement and the flag. A row
  // that `same` accepts and that is deleted already still gets its keys put
  // right, as DeleteRow does. Past the count (kBeyondCount), a whole record
  // that `same` accepts right after the last counted one, left by a save
  // killed before its count, is cut back to the end mark.
  enum class DeleteOutcome { kDeleted, kWasDeleted, kBeyondCount, kDiffers };
  DeleteOutcome DeleteRowIfSame(std::uint32_t recordNumber,
                                const std::function<bool(std::span<const std::uint8_t>)>& same);

  // Columns by position, 0-based; the hidden _NullFlags column is not listed.
  int ColumnCount() const;
  const std::string& ColumnName(int position) const;
  // The column's type letter, upper case: C N F D T L M I B Y G P W V Q.
  char ColumnType(int position) const;
  // True for C, M and V columns stored without code-page translation, and Q.
  bool ColumnIsBinary(int position) const;
  void SetValueAt(int position, const Value& value);

  // Reading (stored order, deleted rows skipped).
  void MoveFirst();
  bool Eof() const;
  void MoveNext();
  // The current row's value as text (CP949), trailing blanks removed.
  std::string GetText(std::string_view columnName) const;

  // Literal lookup: the value of returnColumn (trailing blanks removed) of the
  // first non-deleted row, in stored order, whose matchColumn with trailing
  // blanks removed equals `value` exactly. Sees rows appended after the open
  // (by this program or another). Returns false when no row matches.
  bool FindFirstEqual(std::string_view matchColumn, std::string_view value,
                      std::string_view returnColumn, std::string& result);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  friend class Connection;
  friend struct ConnectionState;
};

// CP949 text as UTF-8 for display and messages: each bad character shows as
// one U+FFFD. A lead byte and a possible trail byte are one character of two
// bytes even when the pair means nothing; a lead byte followed by any other
// byte is a bad character of one byte, so the character after it survives.
std::string DisplayText(std::string_view cp949);
// The offset of the first byte of the first bad character of `text` (by
// DisplayText's rule), or std::string_view::npos when the text is all CP949.
std::size_t FirstNonCp949Byte(std::string_view text);

// The Korean text of errno `error` for the errors a clerk meets (no such file
// or folder, not a folder, permission, read-only, disk full, file too large);
// other errors give the system's English text after "시스템 오류: ".
std::string SystemErrorText(int error);

// Makes a file size limit (SIGXFSZ) arrive as a write error instead of
// killing the program. The front ends call it once at start.
void IgnoreFileSizeSignal();

// Demo and test aid (never used by the importer): creates a new empty table.
struct ColumnSpec {
  std::string name;
  char type = 'C';
  int length = 0;
  int decimals = 0;
  bool nullable = false;
};
// version: 0x03, 0x83, 0xF5 or 0x30. Creates the memo file when a column needs
// one. Fails if the table file already exists.
void CreateTable(const std::string& path, std::uint8_t version, std::uint8_t codePageMark,
                 const std::vector<ColumnSpec>& columns);

// Demo and test aid (never used by the importer): writes the structural index
// (<table>.cdx beside the table) with these tags, keyed from the table's rows,
// and marks the table's header as having it. Fails if the index file exists.
struct IndexTagSpec {
  std::string name;    // 1-10 ASCII letters, digits or '_'
  std::string key;     // key expression
  std::string filter;  // FOR expression, "" for none
  bool unique = false;
  bool candidate = false;
  bool descending = false;
};
void CreateStructuralIndex(const std::string& tablePath, const std::vector<IndexTagSpec>& tags);

}  // namespace dbf
