// The structural index of one open table (<table>.cdx, announced by header
// byte 28): which tags this layer keeps current and their share of every row
// written, and the indexes a write leaves stale.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "dbf/cdx/tag.h"
#include "dbf/file_handle.h"
#include "dbf/table_layout.h"

namespace dbf {
struct ConnectionState;
}

namespace dbf::detail {

class TableIndex {
 public:
  // Remembers the table; the index is read at the first write (lookups never
  // need it).
  void Open(ConnectionState& connection, const std::string& tableName, const std::string& tablePath,
            const TableLayout& layout, const std::string& codePage);
  void Close();
  // Once per flush round of a written table: names the indexes this layer
  // does not keep current and has the .cdx flushed with the table.
  void NoteWritten();

  // For checks and tests: every tag, whether it is kept current, what the
  // structural check finds ("" = valid), its keys in stored order and the
  // keys a build from the table's rows gives (for a tag kept current).
  struct TagState {
    std::string name, problem, damage;
    std::vector<cdx::Entry> keys, rowKeys;
  };
  std::vector<TagState> Inspect(const FileHandle& table, std::uint32_t recordCount);

 private:
  friend class IndexWrite;
  void Load();
  template <typename Change>
  void Update(cdx::Tag& tag, const FileHandle& table, std::uint32_t recordCount, std::uint32_t recno,
              const Change& change);
  void Prepare(const FileHandle& table, std::uint32_t recordCount, bool trusted, bool fully);
  void MarkStale(cdx::Tag& tag, const std::string& reason);
  std::string Stem() const;

  ConnectionState* connection_ = nullptr;
  std::string tableName_, tablePath_, codePage_;
  TableLayout layout_;
  bool loaded_ = false;
  bool prepared_ = false;    // the first write's check is done
  std::string refusal_;      // why writes are refused ("" = they are not)
  cdx::CdxFile file_;
  std::vector<cdx::Tag> tags_;
};

// The index's share of one row write. Constructed under the table's lock
// before anything is written: takes the .cdx lock (held until destruction),
// checks the index once after the table was opened, and refuses a row whose
// key a candidate tag holds. Then Appended or Deleted puts the rows' keys in.
class IndexWrite {
 public:
  // `recordCount`: the table's count before this write; `newRecord`: the row
  // about to be appended, or nullptr. `verifyFully`: every tag is compared
  // with the keys of every row, whatever this connection saw of it before.
  IndexWrite(TableIndex& index, const FileHandle& table, std::uint32_t recordCount,
             const std::uint8_t* newRecord, bool verifyFully = false);
  IndexWrite(const IndexWrite&) = delete;
  IndexWrite& operator=(const IndexWrite&) = delete;
  ~IndexWrite();

  // Refuses a row whose key a candidate tag holds, or a row before it in this
  // write has; `recordCount`: the rows before it.
  void RefuseHeldKey(const std::uint8_t* record, std::uint32_t recordCount);
  // Puts in the keys of `rows` records appended from record `firstRecno` on,
  // `records` holding them one after another: every tag's as one change
  // (each page written once).
  void Appended(std::uint32_t firstRecno, const std::uint8_t* records, std::uint32_t rows, std::size_t recordLength);
  void Deleted(std::uint32_t recno, std::uint32_t recordCount, const std::uint8_t* before,
               const std::uint8_t* after);

 private:
  TableIndex& index_;
  const FileHandle& table_;
  ByteLocks lock_;
  bool active_ = false;
  std::map<std::size_t, std::set<std::string>> pendingKeys_;  // by tag: candidate keys not yet in the tree
};

// The layout of a table file, read from its header (for the index tools).
TableLayout ReadTableLayout(const FileHandle& table, const std::string& tableName);

}  // namespace dbf::detail
