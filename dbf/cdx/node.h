// One 512-byte node of a compact index B-tree (the tags of a .cdx): decoding
// and encoding of leaf nodes (packed entries, compressed keys) and interior
// nodes, and the internal failures of the index code.
//
// Both kinds, little-endian unless marked BE; offsets inside the page.
//
// Interior node   OFFSET   SIZE     FIELD
//                    0       2      attributes: 0x01 root, 0x02 leaf (clear); other bits are kept
//                    2       2      entry count n, 1 to floor(500 / (K + 8))
//                    4       4      left sibling's offset, -1 for none
//                    8       4      right sibling's offset, -1 for none
//                   12   n * (K+8)  entries: K key bytes (whole, padded), the record number (4, BE),
//                                   the child's offset (4, BE); entry i holds child i's last key
//                                   and record number
//                  ...              zeros to the page's end
//
// Leaf node       OFFSET   SIZE     FIELD
//                    0       2      attributes: 0x02 leaf, 0x03 root leaf; other bits are kept
//                    2       2      key count n
//                    4       4      left sibling's offset, -1 for none
//                    8       4      right sibling's offset, -1 for none
//                   12       2      free bytes: 488 less the entries' and the key pool's bytes
//                   14       4      record-number mask (R low bits set)
//                   18       1      duplicate-count mask (D low bits set)
//                   19       1      trail-count mask (T low bits set)
//                   20       1      R, bits of a record number
//                   21       1      D, bits of a duplicate count
//                   22       1      T, bits of a trail count
//                   23       1      N, bytes of an entry
//                   24     n * N    entries, each one N-byte integer; from bit 0 up: the record
//                                   number (R bits), dup (D bits), trail (T bits)
//                  ...              free bytes, zeros
//                  ...511           key pool, growing down from the page's end: key i keeps its
//                                   K - dup - trail middle bytes; its first dup bytes are key
//                                   i-1's, its last trail bytes the pad (key 0 has dup 0)
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

// The head both kinds share.
namespace node {
inline constexpr int kAttributes = 0, kCount = 2, kLeft = 4, kRight = 8;
}
namespace interior {
inline constexpr int kEntries = 12;
// After an entry's K key bytes: the record number, then the child's offset.
inline constexpr int kTailRecno = 0, kTailChild = 4, kEntryTail = 8;
inline constexpr int kSpace = 500;  // for entries
}  // namespace interior
namespace leaf {
inline constexpr int kFree = 12, kRecnoMask = 14, kDupMask = 18, kTrailMask = 19;
inline constexpr int kRecnoBits = 20, kDupBits = 21, kTrailBits = 22, kEntryBytes = 23, kEntries = 24;
inline constexpr int kSpace = kPageSize - kEntries;  // 488, for entries and key bytes
}  // namespace leaf

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

// False when the bytes are not a consistent node for this key format.
bool Decode(const Page& page, std::uint32_t offset, const KeyFormat& format, Node& node);
// False when the entries do not fit in one page.
bool Encode(const Node& node, const KeyFormat& format, Page& page);

}  // namespace dbf::detail::cdx
