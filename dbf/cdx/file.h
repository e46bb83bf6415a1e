// A compound index file (.cdx): whole-page reads and writes, the header
// blocks (the file header at offset 0, which heads the tag directory, and one
// per tag), page allocation and the change counter.
//
// The file is 512-byte pages; every pointer is a byte offset from the file's
// start, -1 for none. At 0 the file header, a header block heading the tag
// directory: a tree like any tag's whose 10-byte keys are the tag names and
// whose "record numbers" are the offsets of the tags' header blocks. Then
// nodes and more header blocks in any order.
//
// Header block, little-endian unless marked BE:
//   OFFSET  SIZE  FIELD
//      0      4   root node's offset
//      4      4   file header only: the first free page, 0 or -1 for none; the
//                 first 4 bytes of each free page name the next one
//      8      4   file header only: change counter (BE), bumped by every writer
//     12      2   K, the key length in bytes (1 to 240)
//     14      1   options (Option below)
//     15      1   signature, 1
//     16    478   reserved: zeros, or a writer's private bytes
//    494      8   collation name, NUL padded; all zeros is MACHINE
//    502      2   order: 0 ascending, 1 descending (keys are stored ascending)
//    504      2   start of the FOR text in the pool (the key text's length + 1)
//    506      2   FOR text's length with its NUL (1 for none)
//    508      2   start of the key text in the pool (0)
//    510      2   key text's length with its NUL
//    512    512   expression pool: key text, NUL, FOR text, NUL, zeros
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "dbf/cdx/node.h"
#include "dbf/file_handle.h"

namespace dbf::detail::cdx {

inline constexpr std::uint32_t kHeaderSize = 1024;

namespace header {
inline constexpr int kRoot = 0, kFreeList = 4, kCounter = 8, kKeyLength = 12, kOptions = 14, kSignature = 15;
inline constexpr int kCollation = 494, kCollationSize = 8, kOrder = 502;
inline constexpr int kForStart = 504, kForLength = 506, kKeyStart = 508, kKeyTextLength = 510;
inline constexpr int kPool = 512, kPoolSize = 512;
}  // namespace header

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
// the system call fails; writes throw IoFailure. A failure drops the cache.
//
// The nodes read or written are kept in memory while the file stays as this
// program's last update left it: BeginUpdate, under the lock, compares the
// change counter and the size with what that update left (every writer of the
// format bumps the counter when it changes the file) and drops the cache when
// either differs.
class CdxFile {
 public:
  int Open(const std::string& path);  // errno, 0 on success
  void Close();
  bool IsOpen() const { return file_.IsOpen(); }
  bool Writable() const { return file_.Writable(); }
  const std::string& Path() const { return path_; }
  const FileHandle& Handle() const { return file_; }
  FileHandle& Handle() { return file_; }

  // Called under the lock before the tags are read or changed; new pages go
  // after the end seen now.
  void BeginUpdate();
  // After an update: true (and the cache kept) when nothing in it failed.
  bool EndUpdate();
  void Forget();
  // The change counter and size as of BeginUpdate and the writes since.
  std::uint32_t Counter() const { return counter_; }
  std::uint64_t Size() const { return size_; }
  // Aligned, after the file header, inside the file or allocated since BeginUpdate.
  bool IsPage(std::uint32_t offset) const;

  // A node decoded once and kept; the reference lasts until the cache is dropped.
  Node& NodeAt(std::uint32_t offset, const KeyFormat& format);
  // Writes a node's encoded page and keeps the node.
  void Store(const Node& node, const Page& page);
  void Store(Node&& node, const Page& page);
  // Writes only a kept node's sibling links (one write of 8 bytes).
  void StoreLinks(const Node& node);
  void ReadPage(std::uint32_t offset, Page& page);
  void WritePage(std::uint32_t offset, const Page& page);
  void ReadHeader(std::uint32_t offset, Header& header);
  void WriteHeader(std::uint32_t offset, const Header& header);
  std::uint32_t ReadRoot(std::uint32_t header);
  void WriteRoot(std::uint32_t header, std::uint32_t root);

  std::uint32_t AllocateAtEnd();
  // A page this program freed, else the head of the free list, unlinked at
  // once (a kill then only loses the page), else a page at the end.
  std::uint32_t Allocate();
  // Keeps a page no node points to any more for the next Allocate: a save
  // that moves nodes to new pages reuses the pages the last one left. They
  // go on the free list with ReleaseFreed (a kill only loses them).
  void Free(std::uint32_t offset);
  bool HoldsFreed() const { return !freed_.empty(); }
  void ReleaseFreed();
  void BumpCounter();

 private:
  void Read(std::uint64_t offset, void* data, std::size_t size);
  void Write(std::uint64_t offset, const void* data, std::size_t size);
  std::uint32_t ReadWord(std::uint32_t offset);
  void WriteWord(std::uint32_t offset, std::uint32_t value);

  FileHandle file_;
  std::string path_;
  std::uint64_t end_ = 0, size_ = 0;
  std::uint32_t counter_ = 0;
  bool failed_ = false;  // since BeginUpdate
  bool known_ = false;   // the cache matches the file as of knownCounter_/knownSize_
  std::uint32_t knownCounter_ = 0;
  std::uint64_t knownSize_ = 0;
  std::unordered_map<std::uint32_t, Node> nodes_;
  std::unordered_map<std::uint32_t, std::uint32_t> roots_;  // tag header -> root
  // Pages freed and not yet on the free list. No other program takes them:
  // they are on no list, and the table open here keeps others from
  // rebuilding the index (a file found shorter drops them).
  std::vector<std::uint32_t> freed_;
};

}  // namespace dbf::detail::cdx
