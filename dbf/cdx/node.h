// One 512-byte node of a compact index B-tree (the tags of a .cdx): decoding
// and encoding of leaf nodes (packed entries, compressed keys) and interior
// nodes, and the internal failures of the index code.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dbf::detail::cdx {

inline constexpr std::uint32_t kPageSize = 512;
inline constexpr std::uint32_t kNoPage = 0xFFFFFFFF;
using Page = std::array<std::uint8_t, kPageSize>;

inline constexpr std::uint16_t kRootBit = 0x01;
inline constexpr std::uint16_t kLeafBit = 0x02;

// The pages of a tag do not form a consistent tree.
struct Damaged {};
// A read or write of the index file failed with this errno.
struct IoFailure {
  int error;
};

struct Entry {
  Entry(std::string k = {}, std::uint32_t r = 0, std::uint32_t c = 0) : key(std::move(k)), recno(r), child(c) {}
  std::string key;          // all K bytes
  std::uint32_t recno = 0;
  std::uint32_t child = 0;  // interior nodes: the child's offset
  // A leaf entry's compression as last encoded or decoded (-1 = to measure):
  // only the entries next to a change need measuring again.
  mutable int dup = -1, trail = -1;
  void Remeasure() const { dup = trail = -1; }
};

// Every tag orders its entries by key bytes (unsigned), then record number.
int Compare(std::string_view keyA, std::uint32_t recnoA, std::string_view keyB, std::uint32_t recnoB);
inline int Compare(const Entry& a, const Entry& b) { return Compare(a.key, a.recno, b.key, b.recno); }

// Bit widths of a leaf's packed entries, chosen per node by its writer.
struct LeafWidths {
  int recnoBits = 0, dupBits = 0, trailBits = 0, bytes = 0;
};

struct Node {
  std::uint32_t offset = kNoPage;
  std::uint16_t attributes = 0;  // unknown bits are kept
  std::uint32_t left = kNoPage, right = kNoPage;
  LeafWidths widths;  // leaves only
  std::vector<Entry> entries;
  bool IsLeaf() const { return attributes & kLeafBit; }
  bool IsRoot() const { return attributes & kRootBit; }
};

// What all nodes of one tag share.
struct KeyFormat {
  int length = 0;          // K
  std::uint8_t pad = ' ';  // the trailing byte leaves leave out: blank for text keys, 0 otherwise
};

int InteriorCapacity(int keyLength);
// The widths a writer gives a new leaf: 3 bytes, then one more byte per
// 8 bits the record numbers need.
LeafWidths WidthsFor(int keyLength, std::uint32_t maxRecno);
void FitRecno(LeafWidths& widths, std::uint32_t recno);

// Bytes a leaf spends on `key` after `previous` (nullptr for a node's first
// key): its packed entry and the key bytes not shared or trailing.
int LeafEntryBytes(const std::string* previous, const std::string& key, const KeyFormat& format,
                   const LeafWidths& widths);
inline constexpr int kLeafSpace = 488;  // a leaf's room for entries and key bytes

// False when the bytes are not a consistent node for this key format.
bool Decode(const Page& page, std::uint32_t offset, const KeyFormat& format, Node& node);
// False when the entries do not fit in one page.
bool Encode(const Node& node, const KeyFormat& format, Page& page);

}  // namespace dbf::detail::cdx
