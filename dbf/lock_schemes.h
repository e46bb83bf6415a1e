// The lock bytes of the xBase locking schemes. The programs of one family
// never see the locks of another, so a writer that shares tables with all of
// them takes the byte of every scheme.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>

namespace dbf::detail {

struct LockScheme {
  std::uint64_t header;  // locked for every header update, appends included ("record 0")
  // The byte of record n (counted from 1) of a table with these lengths.
  std::uint64_t (*record)(std::uint64_t n, std::uint64_t headerLength, std::uint64_t recordLength);
};

// Every lock offset of the layer, in the one order in which they are taken.
inline constexpr LockScheme kLockSchemes[] = {
    // Clipper family.
    {1000000000, [](std::uint64_t n, std::uint64_t, std::uint64_t) { return 1000000000 + n; }},
    // FoxPro family on a table without a structural index (.cdx).
    {0x40000000, [](std::uint64_t n, std::uint64_t h, std::uint64_t r) { return 0x40000000 + h + (n - 1) * r; }},
    // FoxPro family with a structural index, and Visual FoxPro.
    {0x7FFFFFFE, [](std::uint64_t n, std::uint64_t, std::uint64_t) { return 0x7FFFFFFE - n; }},
};
using LockBytes = std::array<std::uint64_t, std::size(kLockSchemes)>;

// The header byte of every scheme: a save holds them all.
inline LockBytes HeaderLockBytes() {
  LockBytes bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = kLockSchemes[i].header;
  return bytes;
}

// The bytes of record n in every scheme: a change to counted record n (a
// deletion, say) holds them all, after the header bytes.
inline LockBytes RecordLockBytes(std::uint32_t n, std::uint32_t headerLength, std::uint32_t recordLength) {
  LockBytes bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = kLockSchemes[i].record(n, headerLength, recordLength);
  return bytes;
}

// A structural index (.cdx) is locked at its own byte, as FoxPro does.
inline constexpr std::uint64_t kIndexLockBytes[] = {0x7FFFFFFE};

// Tables end below the highest lock byte: FoxPro's 2 GB limit.
inline constexpr std::uint64_t kMaxTableSize = 0x7FFFFFFE;

}  // namespace dbf::detail
