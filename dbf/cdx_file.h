// A compound index file (.cdx): whole-page reads and writes, the header
// blocks (the file header at offset 0, which heads the tag directory, and one
// per tag), page allocation and the change counter.
#pragma once

#include <cstdint>
#include <string>

#include "dbf/cdx_node.h"
#include "dbf/file_handle.h"

namespace dbf::detail::cdx {

inline constexpr std::uint32_t kHeaderSize = 1024;

namespace Option {
inline constexpr std::uint8_t kUnique = 0x01;
inline constexpr std::uint8_t kNullable = 0x02;   // keys carry a leading null-flag byte
inline constexpr std::uint8_t kCandidate = 0x04;
inline constexpr std::uint8_t kFor = 0x08;
inline constexpr std::uint8_t kBitVector = 0x10;
inline constexpr std::uint8_t kCompact = 0x20;
inline constexpr std::uint8_t kCompound = 0x40;
inline constexpr std::uint8_t kDirectory = 0x80;
}  // namespace Option

struct Header {
  std::uint32_t root = kNoPage;
  std::uint16_t keyLength = 0;
  std::uint8_t options = 0;
  std::string collation;  // without its NUL padding; "" is MACHINE
  std::uint16_t order = 0;  // 0 ascending, 1 descending
  std::string keyText, forText;
};

// False when the expression pool's offsets do not fit the block.
bool DecodeHeader(const std::uint8_t* block, Header& header);
void EncodeHeader(const Header& header, std::uint8_t* block);  // kHeaderSize bytes

// Reads throw Damaged when a page lies outside the file and IoFailure when
// the system call fails; writes throw IoFailure.
class CdxFile {
 public:
  int Open(const std::string& path);  // errno, 0 on success
  void Close() { file_.Close(); }
  bool IsOpen() const { return file_.IsOpen(); }
  bool Writable() const { return file_.Writable(); }
  const std::string& Path() const { return path_; }
  const FileHandle& Handle() const { return file_; }

  // Called under the lock before the tags are read or changed: takes the
  // file's size, after which new pages go.
  void BeginUpdate();
  std::uint64_t Size() const;
  // Aligned, after the file header, inside the file (as of BeginUpdate, with
  // the pages allocated since).
  bool IsPage(std::uint32_t offset) const;

  void ReadPage(std::uint32_t offset, Page& page) const;
  void WritePage(std::uint32_t offset, const Page& page) const;
  void ReadHeader(std::uint32_t offset, Header& header) const;
  void WriteHeader(std::uint32_t offset, const Header& header) const;
  std::uint32_t ReadRoot(std::uint32_t header) const;
  void WriteRoot(std::uint32_t header, std::uint32_t root) const;

  std::uint32_t AllocateAtEnd();
  // The head of the free list, unlinked at once (a kill then only loses the
  // page), or a page at the end.
  std::uint32_t Allocate();
  // Puts a page no node points to any more on the free list.
  void Free(std::uint32_t offset);
  std::uint32_t Counter() const;
  void BumpCounter() const;

 private:
  std::uint32_t ReadWord(std::uint32_t offset) const;
  void WriteWord(std::uint32_t offset, std::uint32_t value) const;
  FileHandle file_;
  std::string path_;
  std::uint64_t end_ = 0;
};

}  // namespace dbf::detail::cdx
