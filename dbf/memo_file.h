// Memo files: .fpt (FoxPro, big-endian header, typed blocks) and .dbt
// (dBASE III, 512-byte blocks, text ended by 0x1A 0x1A).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/file_handle.h"
#include "dbf/table_layout.h"

namespace dbf::detail {

class MemoFile {
 public:
  // Opens an existing memo file; throws Error naming the table when it cannot
  // be opened or its header is not valid.
  void Open(const std::string& path, MemoKind kind, const std::string& table);
  void Close() { file_.Close(); }
  bool IsOpen() const { return file_.IsOpen(); }
  FileHandle& Handle() { return file_; }
  const std::string& Path() const { return path_; }

  // Appends one memo after the last used block and returns its block number.
  // The caller holds the table's header lock. Throws Error; a failed write is
  // cut back so the file is as before. `held`: the blocks wait in memory, after
  // those already waiting, until WriteHeld writes them all in one write and
  // then the header's next free block (the caller keeps the lock until then).
  std::uint32_t Append(const std::string& data, bool text, bool held = false);
  void WriteHeld();
  void DropHeld() { pending_.clear(); }
  // The memo stored at `block` (empty when the block is 0 or out of range).
  std::string Read(std::uint32_t block) const;

 private:
  // From the memo header's bytes 0-7, or read from the file when null.
  std::uint32_t BlockSize(const std::uint8_t* header = nullptr) const;
  std::uint32_t Place(std::uint32_t next, const std::string& data, bool text, bool held);
  std::uint32_t blockSize_ = 0;
  std::vector<std::uint8_t> pending_;  // blocks held, from pendingAt_
  std::uint64_t pendingAt_ = 0;
  std::uint32_t pendingNext_ = 0;      // the next free block after them
  long long pendingOldSize_ = 0;       // the file's size before them
  FileHandle file_;
  MemoKind kind_ = MemoKind::kNone;
  std::string path_;
  std::string table_;
};

}  // namespace dbf::detail
