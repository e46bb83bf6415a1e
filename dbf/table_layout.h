// The layout of a table file: header fields and column descriptors.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dbf::detail {

enum class MemoKind { kNone, kFpt, kDbt };

// The column types each table family holds, and the fixed length of a type
// (0 when the length is free).
inline constexpr std::string_view kVisualFoxProTypes = "CNFDTLMIBYGPWVQ";
inline constexpr std::string_view kFoxProTypes = "CNFDLMGP";  // FoxPro 2 and dBASE III
inline bool IsMemoType(char type) { return type == 'M' || type == 'G' || type == 'P' || type == 'W'; }
int FixedLength(char type, bool vfp);

struct Column {
  std::string name;      // as stored (ASCII)
  char type = 'C';       // type letter, upper case
  int offset = 0;        // inside the record; the deletion flag is byte 0
  int length = 0;
  int decimals = 0;
  std::uint8_t flags = 0;  // VFP field flags
  int nullBit = -1;      // bit in _NullFlags, -1 when not nullable
  int varLengthBit = -1; // V/Q: bit telling the value is shorter than the field
  bool binary = false;   // no code-page translation (C/M/V with flag 0x04)
  bool autoIncrement = false;  // VFP autoincrement integer: appends are refused
  bool IsMemo() const { return IsMemoType(type); }
};

struct TableLayout {
  std::uint8_t version = 0;
  std::uint8_t flags = 0;          // header byte 28
  std::uint8_t codePageMark = 0;   // header byte 29
  std::uint32_t recordCount = 0;
  std::uint32_t headerLength = 0;
  std::uint32_t recordLength = 0;
  std::vector<Column> columns;     // visible columns, _NullFlags excluded
  int nullFlagsOffset = -1;        // offset of _NullFlags in the record
  int nullFlagsLength = 0;
  MemoKind memoKind = MemoKind::kNone;

  bool IsVisualFoxPro() const { return version >= 0x30 && version <= 0x32; }
  bool HasStructuralIndex() const { return (flags & 0x01) != 0; }
  bool NeedsMemoFile() const;
  // Case-insensitive; -1 if none. The search begins at `startAt` (callers set
  // columns in the same order row after row, so the next one is found first).
  int FindColumn(std::string_view name, int startAt = 0) const;
};

inline constexpr std::uint32_t kHeaderPrefix = 32;


// Parses header bytes (at least the whole header) of a file of `fileSize`
// bytes. Throws Error naming `tableName` when the file is not a valid table of
// a supported version.
TableLayout ParseTableHeader(const std::uint8_t* data, std::size_t size, std::uint64_t fileSize,
                             const std::string& tableName);

// The header length a file claims (bytes 8-9), or 0 when fewer than 32 bytes.
std::uint32_t ClaimedHeaderLength(const std::uint8_t* data, std::size_t size);

std::uint32_t ReadLE32(const std::uint8_t* p);
std::uint16_t ReadLE16(const std::uint8_t* p);
void WriteLE16(std::uint8_t* p, std::uint16_t value);
void WriteLE32(std::uint8_t* p, std::uint32_t value);
std::uint32_t ReadBE32(const std::uint8_t* p);
void WriteBE32(std::uint8_t* p, std::uint32_t value);

}  // namespace dbf::detail
