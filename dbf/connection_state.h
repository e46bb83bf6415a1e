// What a connection shares with the recordsets opened on it.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dbf/dbf.h"
#include "dbf/file_handle.h"
#include "dbf/table_names.h"
#include "dbf/write_overlay.h"

namespace dbf {

struct ConnectionState {
  bool open = false;
  std::string directory;
  detail::DirectoryIndex index;
  std::vector<Recordset*> recordsets;        // open on this connection
  std::set<std::string> writtenFiles;        // paths to fdatasync
  std::uint64_t flushGeneration = 0;         // counts the flushes
  std::vector<StaleIndex> staleIndexes;      // in order, once each
  std::vector<RebuiltTag> rebuiltTags;       // in order, once each
  // Change counter and size of each .cdx after this connection's last write:
  // while both stay the same, the index need not be checked again.
  std::map<std::string, std::pair<std::uint32_t, std::uint64_t>> checkedIndexes;

  void NoteStale(const StaleIndex& stale);
  void NoteRebuilt(const RebuiltTag& tag);
  bool checkOnly = false;                    // saves are checked and counted, never written
  std::map<std::string, int> checkedRows;    // table name -> rows a check saved
  // The writes of a check, by path, shared by every handle of the file.
  std::map<std::string, std::shared_ptr<detail::WriteOverlay>> overlays;
  // The overlay a handle of `path` keeps its writes in; null unless the
  // connection only checks. A new one holds the file's size now and the
  // `kept` byte ranges (offset, size) as they are now: the caller holds the
  // locks that keep them still, so that a check sees one moment of the file.
  std::shared_ptr<detail::WriteOverlay> OverlayFor(
      const std::string& path, const detail::FileHandle& handle,
      const std::vector<std::pair<std::uint64_t, std::uint64_t>>& kept = {});
  RowObserver rowObserver;                   // told of each batch's rows before they are written

  // Batches (Connection::BeginBatches).
  bool batching = false;
  Recordset::Impl* batchOwner = nullptr;     // the recordset whose batch is open
  std::map<std::string, int> savedRows;      // table name -> rows written since TakeSavedRows
  std::function<void(BatchPoint)> batchProbe;
  std::exception_ptr batchFailure;
  std::map<std::string, std::uint64_t> writes;  // by path: batches written, rows deleted (lookups read again)           // of a batch written before EndBatch asked
  void EndBatch();                           // writes the open batch, if any

  // The path of <name>.<extension> in the table directory (case-insensitive),
  // "" when there is none. Throws on two files differing only in case.
  std::string Resolve(const std::string& name, const std::string& extension);
};

}  // namespace dbf
