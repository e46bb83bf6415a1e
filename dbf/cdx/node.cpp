#include "dbf/cdx/node.h"

#include <algorithm>
#include <cstring>

#include "dbf/table_layout.h"

namespace dbf::detail::cdx {

namespace {

int BitLength(unsigned value) {
  int bits = 0;
  for (; value; value >>= 1) ++bits;
  return bits;
}

std::uint64_t Mask(int bits) { return bits >= 64 ? ~0ull : (1ull << bits) - 1; }

bool DecodeLeaf(const Page& p, const KeyFormat& f, Node& node) {
  const int count = ReadLE16(&p[node::kCount]);
  LeafWidths& w = node.widths;
  w = {p[leaf::kRecnoBits], p[leaf::kDupBits], p[leaf::kTrailBits], p[leaf::kEntryBytes]};
  if (w.bytes < 1 || w.bytes > 8 || w.recnoBits > 32 || w.recnoBits + w.dupBits + w.trailBits > 8 * w.bytes)
    return false;
  if (ReadLE32(&p[leaf::kRecnoMask]) != Mask(w.recnoBits) || p[leaf::kDupMask] != Mask(w.dupBits) ||
      p[leaf::kTrailMask] != Mask(w.trailBits))
    return false;
  const int entryEnd = leaf::kEntries + count * w.bytes;
  if (entryEnd > static_cast<int>(kPageSize)) return false;
  const int k = f.length;
  int pool = kPageSize;
  node.entries.resize(count);
  for (int i = 0; i < count; ++i) {
    std::uint64_t v = 0;
    for (int b = w.bytes - 1; b >= 0; --b) v = (v << 8) | p[leaf::kEntries + i * w.bytes + b];
    const int dup = static_cast<int>((v >> w.recnoBits) & Mask(w.dupBits));
    const int trail = static_cast<int>((v >> (w.recnoBits + w.dupBits)) & Mask(w.trailBits));
    if (dup + trail > k || (i == 0 && dup != 0)) return false;
    const int stored = k - dup - trail;
    pool -= stored;
    if (pool < entryEnd) return false;
    Entry& e = node.entries[i];
    e.dup = dup;
    e.trail = trail;
    e.recno = static_cast<std::uint32_t>(v & Mask(w.recnoBits));
    e.key.assign(i ? node.entries[i - 1].key.data() : "", dup);
    e.key.append(reinterpret_cast<const char*>(&p[pool]), stored);
    e.key.append(trail, static_cast<char>(f.pad));
  }
  return ReadLE16(&p[leaf::kFree]) == pool - entryEnd;
}

bool DecodeInterior(const Page& p, const KeyFormat& f, Node& node) {
  const int count = ReadLE16(&p[node::kCount]);
  if (count > InteriorCapacity(f.length)) return false;
  node.entries.resize(count);
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* e = &p[interior::kEntries + i * (f.length + interior::kEntryTail)];
    node.entries[i].key.assign(reinterpret_cast<const char*>(e), f.length);
    node.entries[i].recno = ReadBE32(e + f.length + interior::kTailRecno);
    node.entries[i].child = ReadBE32(e + f.length + interior::kTailChild);
  }
  return true;
}

// Trailing pad bytes and the prefix shared with the previous key, eight
// bytes at a time: every encoding of a leaf measures every key.
int TrailingPad(const char* key, int length, std::uint8_t pad) {
  const std::uint64_t pattern = 0x0101010101010101ull * pad;
  int n = 0;
  for (std::uint64_t word; n + 8 <= length; n += 8) {
    std::memcpy(&word, key + length - n - 8, 8);
    if (word != pattern) break;
  }
  while (n < length && static_cast<std::uint8_t>(key[length - 1 - n]) == pad) ++n;
  return n;
}

int SharedPrefix(const char* a, const char* b, int limit) {
  int n = 0;
  for (std::uint64_t x, y; n + 8 <= limit; n += 8) {
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) break;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

// How many leading bytes `key` shares with the previous key and how many
// trailing pad bytes it has, as far as the widths can tell them.
void Compress(const std::string* previous, const std::string& key, const KeyFormat& f, const LeafWidths& w,
              int& dup, int& trail) {
  const int k = f.length;
  trail = static_cast<int>(std::min<std::uint64_t>(TrailingPad(key.data(), k, f.pad), Mask(w.trailBits)));
  dup = previous ? SharedPrefix(previous->data(), key.data(),
                                static_cast<int>(std::min<std::uint64_t>(k - trail, Mask(w.dupBits))))
                 : 0;
}

bool EncodeLeaf(const Node& node, const KeyFormat& f, Page& p) {
  const LeafWidths& w = node.widths;
  const int count = static_cast<int>(node.entries.size());
  const int entryEnd = leaf::kEntries + count * w.bytes;
  if (entryEnd > static_cast<int>(kPageSize)) return false;
  int pool = kPageSize;
  for (int i = 0; i < count; ++i) {
    const Entry& entry = node.entries[i];
    const std::string& key = entry.key;
    if (entry.dup < 0 || (i == 0 && entry.dup != 0))
      Compress(i ? &node.entries[i - 1].key : nullptr, key, f, w, entry.dup, entry.trail);
    const int dup = entry.dup, trail = entry.trail;
    const int stored = f.length - dup - trail;
    pool -= stored;
    if (pool < entryEnd || node.entries[i].recno > Mask(w.recnoBits)) return false;
    std::memcpy(&p[pool], key.data() + dup, stored);
    const std::uint64_t v = node.entries[i].recno | (std::uint64_t(dup) << w.recnoBits) |
                            (std::uint64_t(trail) << (w.recnoBits + w.dupBits));
    for (int b = 0; b < w.bytes; ++b) p[leaf::kEntries + i * w.bytes + b] = (v >> (8 * b)) & 0xFF;
  }
  WriteLE16(&p[leaf::kFree], static_cast<std::uint16_t>(pool - entryEnd));
  WriteLE32(&p[leaf::kRecnoMask], static_cast<std::uint32_t>(Mask(w.recnoBits)));
  p[leaf::kDupMask] = static_cast<std::uint8_t>(Mask(w.dupBits));
  p[leaf::kTrailMask] = static_cast<std::uint8_t>(Mask(w.trailBits));
  p[leaf::kRecnoBits] = static_cast<std::uint8_t>(w.recnoBits);
  p[leaf::kDupBits] = static_cast<std::uint8_t>(w.dupBits);
  p[leaf::kTrailBits] = static_cast<std::uint8_t>(w.trailBits);
  p[leaf::kEntryBytes] = static_cast<std::uint8_t>(w.bytes);
  return true;
}

bool EncodeInterior(const Node& node, const KeyFormat& f, Page& p) {
  if (static_cast<int>(node.entries.size()) > InteriorCapacity(f.length)) return false;
  for (std::size_t i = 0; i < node.entries.size(); ++i) {
    std::uint8_t* e = &p[interior::kEntries + i * (f.length + interior::kEntryTail)];
    std::memcpy(e, node.entries[i].key.data(), f.length);
    WriteBE32(e + f.length + interior::kTailRecno, node.entries[i].recno);
    WriteBE32(e + f.length + interior::kTailChild, node.entries[i].child);
  }
  return true;
}

}  // namespace

int Compare(std::string_view keyA, std::uint32_t recnoA, std::string_view keyB, std::uint32_t recnoB) {
  const int c = std::memcmp(keyA.data(), keyB.data(), std::min(keyA.size(), keyB.size()));
  if (c != 0) return c;
  if (keyA.size() != keyB.size()) return keyA.size() < keyB.size() ? -1 : 1;
  return recnoA < recnoB ? -1 : (recnoA > recnoB ? 1 : 0);
}

int InteriorCapacity(int keyLength) { return interior::kSpace / (keyLength + interior::kEntryTail); }

int LeafEntryBytes(const std::string* previous, const std::string& key, const KeyFormat& format,
                   const LeafWidths& widths) {
  int dup, trail;
  Compress(previous, key, format, widths, dup, trail);
  return widths.bytes + format.length - dup - trail;
}

LeafWidths WidthsFor(int keyLength, std::uint32_t maxRecno) {
  LeafWidths w;
  w.dupBits = w.trailBits = BitLength(static_cast<unsigned>(keyLength));
  w.bytes = 3;
  w.recnoBits = 24 - 2 * w.dupBits;
  FitRecno(w, maxRecno);
  return w;
}

void FitRecno(LeafWidths& widths, std::uint32_t recno) {
  while (recno > Mask(widths.recnoBits)) {
    widths.recnoBits += 8;
    widths.bytes += 1;
  }
}

bool Decode(const Page& page, std::uint32_t offset, const KeyFormat& format, Node& node) {
  node.offset = offset;
  node.attributes = ReadLE16(&page[node::kAttributes]);
  node.left = ReadLE32(&page[node::kLeft]);
  node.right = ReadLE32(&page[node::kRight]);
  return node.IsLeaf() ? DecodeLeaf(page, format, node) : DecodeInterior(page, format, node);
}

bool Encode(const Node& node, const KeyFormat& format, Page& page) {
  page.fill(0);
  WriteLE16(&page[node::kAttributes], node.attributes);
  WriteLE16(&page[node::kCount], static_cast<std::uint16_t>(node.entries.size()));
  WriteLE32(&page[node::kLeft], node.left);
  WriteLE32(&page[node::kRight], node.right);
  return node.IsLeaf() ? EncodeLeaf(node, format, page) : EncodeInterior(node, format, page);
}

}  // namespace dbf::detail::cdx
