#include <cstring>
#include <string_view>

#include "dbf/ascii.h"
#include "dbf/messages.h"
#include "dbf/table_layout.h"

namespace dbf::detail {

std::uint32_t ReadLE32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}
std::uint16_t ReadLE16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
void WriteLE16(std::uint8_t* p, std::uint16_t v) {
  p[0] = v & 0xFF;
  p[1] = (v >> 8) & 0xFF;
}
void WriteLE32(std::uint8_t* p, std::uint32_t v) {
  p[0] = v & 0xFF;
  p[1] = (v >> 8) & 0xFF;
  p[2] = (v >> 16) & 0xFF;
  p[3] = (v >> 24) & 0xFF;
}
std::uint32_t ReadBE32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
void WriteBE32(std::uint8_t* p, std::uint32_t v) {
  p[0] = (v >> 24) & 0xFF;
  p[1] = (v >> 16) & 0xFF;
  p[2] = (v >> 8) & 0xFF;
  p[3] = v & 0xFF;
}

bool TableLayout::NeedsMemoFile() const {
  for (const Column& c : columns)
    if (c.IsMemo()) return true;
  return false;
}

int TableLayout::FindColumn(std::string_view name, int startAt) const {
  const size_t total = columns.size();
  const size_t start = startAt > 0 && static_cast<size_t>(startAt) < total ? startAt : 0;
  for (size_t step = 0; step < total; ++step) {
    const size_t i = (start + step) % total;
    // Without the locale: called for every value set.
    if (ascii::EqualIgnoringCase(columns[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

int FixedLength(char type, bool vfp) {
  switch (type) {
    case 'D': case 'T': case 'B': case 'Y': return 8;
    case 'I': return 4;
    case 'L': return 1;
    case 'M': case 'G': case 'P': return vfp ? 4 : 10;
    case 'W': return 4;
    default: return 0;
  }
}

std::uint32_t ClaimedHeaderLength(const std::uint8_t* data, std::size_t size) {
  return size < kHeaderPrefix ? 0 : ReadLE16(data + 8);
}

namespace {

[[noreturn]] void Corrupt(const std::string& table, const std::string& why) {
  FailTable(table, "의 파일이 올바른 테이블 파일이 아닙니다: " + why + ".");
}

bool SupportedVersion(std::uint8_t v) {
  return v == 0x03 || v == 0x83 || v == 0xF5 || v == 0x30 || v == 0x31 || v == 0x32;
}

// A field descriptor as stored.
struct Raw {
  std::string name;
  char type;
  int length, decimals;
  std::uint8_t flags;
};

// Descriptors end at 0x0D; without it inside the header the file is refused.
std::vector<Raw> ReadDescriptors(const std::uint8_t* data, std::uint32_t headerLength, const std::string& table) {
  std::vector<Raw> raw;
  for (std::uint32_t pos = kHeaderPrefix; pos < headerLength; pos += 32) {
    if (data[pos] == 0x0D) {
      if (raw.empty()) Corrupt(table, "열이 없습니다");
      return raw;
    }
    if (pos + 32 > headerLength) break;
    const std::uint8_t* d = data + pos;
    size_t n = 0;
    while (n < 11 && d[n] != 0) ++n;
    raw.push_back({std::string(reinterpret_cast<const char*>(d), n), ascii::Upper(static_cast<char>(d[11])), d[16],
                   d[17], d[18]});
  }
  Corrupt(table, "열 목록의 끝 표시(0x0D)가 없습니다");
}

// A column of a VFP table takes its null bit, and V and Q their length bit,
// in column order.
Column MakeColumn(const Raw& r, int offset, int length, int decimals, bool vfp, int& nextBit) {
  Column c;
  c.name = r.name;
  c.type = r.type;
  c.offset = offset;
  c.length = length;
  c.decimals = decimals;
  c.flags = vfp ? r.flags : 0;
  c.binary = (c.flags & 0x04) != 0 && (c.type == 'C' || c.type == 'M' || c.type == 'V');
  if (c.type == 'Q') c.binary = true;
  if (vfp) {
    if (c.type == 'V' || c.type == 'Q') c.varLengthBit = nextBit++;
    if (c.flags & 0x02) c.nullBit = nextBit++;
  }
  c.autoIncrement = vfp && (c.flags & 0x08) != 0 && c.type == 'I';
  return c;
}

}  // namespace

TableLayout ParseTableHeader(const std::uint8_t* data, std::size_t size, std::uint64_t fileSize,
                             const std::string& table) {
  if (size < kHeaderPrefix || fileSize < kHeaderPrefix) Corrupt(table, "파일이 너무 짧습니다");
  TableLayout t;
  t.version = data[0];
  if (!SupportedVersion(t.version))
    FailTable(table, "의 형식(버전 " + ascii::HexByte(t.version) +
         ")은 지원하지 않습니다. dBASE III, FoxPro 2, Visual FoxPro 테이블만 쓸 수 있습니다.");
  t.recordCount = ReadLE32(data + 4);
  t.headerLength = ReadLE16(data + 8);
  t.recordLength = ReadLE16(data + 10);
  t.flags = data[28];
  t.codePageMark = data[29];
  const bool vfp = t.IsVisualFoxPro();
  if (t.headerLength < kHeaderPrefix + 33 || t.headerLength > size)
    Corrupt(table, "헤더 길이(" + std::to_string(t.headerLength) + ")가 맞지 않습니다");
  if (t.headerLength > fileSize) Corrupt(table, "헤더가 파일보다 깁니다");
  if (t.recordLength < 2) Corrupt(table, "레코드 길이가 맞지 않습니다");

  const std::vector<Raw> raw = ReadDescriptors(data, t.headerLength, table);

  // Clipper keeps the high byte of long C lengths in the decimals byte; only
  // believe that when the lengths then add up to the record length.
  long plain = 1, clipper = 1;
  for (const Raw& r : raw) {
    plain += r.length;
    clipper += r.type == 'C' ? r.length + 256 * r.decimals : r.length;
  }
  const bool clipperLengths = plain != long(t.recordLength) && clipper == long(t.recordLength);
  int offset = 1;
  int nextBit = 0;
  for (const Raw& r : raw) {
    int length = r.length;
    int decimals = r.decimals;
    if (clipperLengths && r.type == 'C') {
      length += 256 * decimals;
      decimals = 0;
    }
    if (length <= 0) Corrupt(table, "열 " + MessageText(r.name) + "의 길이가 0입니다");
    if (r.type == '0') {  // _NullFlags
      if (!vfp) Corrupt(table, "열 " + MessageText(r.name) + "의 형식을 알 수 없습니다");
      t.nullFlagsOffset = offset;
      t.nullFlagsLength = length;
      offset += length;
      continue;
    }
    const std::string_view types = vfp ? kVisualFoxProTypes : kFoxProTypes;
    if (types.find(r.type) == std::string_view::npos)
      FailTable(table, "의 열 " + MessageText(r.name) + "의 형식 '" + MessageText(std::string(1, r.type)) +
           "'은 지원하지 않습니다.");
    const int fixed = FixedLength(r.type, vfp);
    if (fixed != 0 && length != fixed)
      Corrupt(table, "열 " + MessageText(r.name) + "의 길이(" + std::to_string(length) + ")가 형식과 맞지 않습니다");
    if (r.type == 'N' || r.type == 'F') {
      if (length > 20 || (decimals > 0 && decimals >= length))
        Corrupt(table, "열 " + MessageText(r.name) + "의 길이가 맞지 않습니다");
    }
    t.columns.push_back(MakeColumn(r, offset, length, decimals, vfp, nextBit));
    offset += length;
  }
  // Other readers place the fields by the descriptors and the records by the
  // record length: both must agree, or they read another table than we write.
  if (offset != long(t.recordLength))
    Corrupt(table, "레코드 길이(" + std::to_string(t.recordLength) + ")가 삭제 표시 1바이트와 열 길이의 합(" +
                       std::to_string(offset) + ")과 다릅니다");
  if (nextBit > t.nullFlagsLength * 8)
    Corrupt(table, "널 표시 열(_NullFlags)이 없거나 짧습니다");
  if (t.NeedsMemoFile()) {
    if (t.version == 0x03) Corrupt(table, "메모 파일 없는 형식에 메모 열이 있습니다");
    t.memoKind = t.version == 0x83 ? MemoKind::kDbt : MemoKind::kFpt;
  }
  const std::uint64_t needed =
      std::uint64_t(t.headerLength) + std::uint64_t(t.recordCount) * t.recordLength;
  if (needed > fileSize)
    Corrupt(table, "레코드 수(" + std::to_string(t.recordCount) + ")가 파일 크기보다 큽니다");
  return t;
}

}  // namespace dbf::detail
