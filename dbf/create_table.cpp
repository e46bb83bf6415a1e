// Creating an empty table (a demo and test aid; the importer never creates).
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "dbf/messages.h"
#include "dbf/os/file.h"
#include "dbf/os/folders.h"
#include "dbf/table_layout.h"

namespace dbf {

using detail::Fail;
using detail::FailMemo;
using detail::FailTable;

namespace {

void WriteNewFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  os::File file;
  if (int error = file.Open(path, {.write = true, .create = true, .exclusive = true, .permissions = 0644}))
    Fail("파일 " + path + "을(를) 만들 수 없습니다: " + detail::SystemErrorText(error) + ".");
  if (int error = file.WriteAt(0, bytes.data(), bytes.size())) {
    file.Close();
    os::RemoveFile(path);
    Fail("파일 " + path + "에 쓸 수 없습니다: " + detail::SystemErrorText(error) + ".");
  }
}

}  // namespace

void CreateTable(const std::string& path, std::uint8_t version, std::uint8_t codePageMark,
                 const std::vector<ColumnSpec>& columns) {
  if (version != 0x03 && version != 0x83 && version != 0xF5 && version != 0x30)
    Fail("테이블을 만들 수 없습니다: 지원하지 않는 형식입니다.");
  const bool vfp = version == 0x30;
  if (columns.empty() || columns.size() > 254) Fail("테이블을 만들 수 없습니다: 열의 수가 맞지 않습니다.");
  bool memo = false, nullable = false;
  for (const ColumnSpec& c : columns) {
    const char type = static_cast<char>(std::toupper(static_cast<unsigned char>(c.type)));
    if (c.name.empty() || c.name.size() > 10) Fail("열 이름 '" + c.name + "'은(는) 1~10자여야 합니다.");
    const std::string_view allowed = vfp ? detail::kVisualFoxProTypes : detail::kFoxProTypes;
    if (allowed.find(type) == std::string_view::npos)
      Fail("열 " + c.name + ": 이 형식의 테이블에 쓸 수 없는 열 형식입니다.");
    memo = memo || detail::IsMemoType(type);
    nullable = nullable || c.nullable;
  }
  if (memo && version == 0x03) Fail("메모 열이 있는 테이블은 형식 0x03으로 만들 수 없습니다.");
  if (nullable && !vfp) Fail("널을 허용하는 열은 Visual FoxPro 테이블에만 만들 수 있습니다.");

  struct Descriptor { std::string name; char type; int length, decimals; std::uint8_t flags; };
  std::vector<Descriptor> list;
  int nullBits = 0;
  for (const ColumnSpec& c : columns) {
    Descriptor d{c.name, static_cast<char>(std::toupper(static_cast<unsigned char>(c.type))), c.length, c.decimals, 0};
    if (const int fixed = detail::FixedLength(d.type, vfp)) d.length = fixed;
    if (d.type != 'N' && d.type != 'F' && d.type != 'B' && d.type != 'Y') d.decimals = 0;
    if (d.length < 1 || d.length > 254) Fail("열 " + c.name + "의 길이가 맞지 않습니다.");
    if (c.nullable) d.flags |= 0x02;
    if (d.type == 'V' || d.type == 'Q') ++nullBits;
    if (c.nullable) ++nullBits;
    if (d.type == 'Q') d.flags |= 0x04;
    list.push_back(d);
  }
  if (vfp && nullBits > 0) list.push_back({"_NullFlags", '0', (nullBits + 7) / 8, 0, 0x05});

  const std::uint32_t headerLength = 32 + 32 * static_cast<std::uint32_t>(list.size()) + 1 + (vfp ? 263 : 0);
  std::uint32_t recordLength = 1;
  for (const Descriptor& d : list) recordLength += d.length;
  if (recordLength > 65535) Fail("테이블을 만들 수 없습니다: 레코드가 너무 깁니다.");

  std::vector<std::uint8_t> bytes(headerLength, 0);
  std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  bytes[0] = version;
  bytes[1] = static_cast<std::uint8_t>((local.tm_year + 1900) % 100);
  bytes[2] = static_cast<std::uint8_t>(local.tm_mon + 1);
  bytes[3] = static_cast<std::uint8_t>(local.tm_mday);
  bytes[8] = headerLength & 0xFF;
  bytes[9] = headerLength >> 8;
  bytes[10] = recordLength & 0xFF;
  bytes[11] = recordLength >> 8;
  bytes[28] = vfp && memo ? 0x02 : 0x00;
  bytes[29] = codePageMark;
  std::uint32_t offset = 1;
  for (size_t i = 0; i < list.size(); ++i) {
    std::uint8_t* d = bytes.data() + 32 + 32 * i;
    std::memcpy(d, list[i].name.data(), std::min<size_t>(list[i].name.size(), 10));
    d[11] = static_cast<std::uint8_t>(list[i].type);
    if (vfp) detail::WriteLE32(d + 12, offset);
    d[16] = static_cast<std::uint8_t>(list[i].length);
    d[17] = static_cast<std::uint8_t>(list[i].decimals);
    d[18] = list[i].flags;
    offset += list[i].length;
  }
  bytes[32 + 32 * list.size()] = 0x0D;
  bytes.push_back(0x1A);

  std::string memoPath;
  std::vector<std::uint8_t> memoBytes;
  if (memo) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                 ? path.substr(0, dot) : path;
    const std::string ext = path.size() > stem.size() ? path.substr(stem.size() + 1) : "dbf";
    const bool upper = !ext.empty() && std::isupper(static_cast<unsigned char>(ext[0]));
    memoPath = stem + (version == 0x83 ? (upper ? ".DBT" : ".dbt") : (upper ? ".FPT" : ".fpt"));
    memoBytes.assign(512, 0);
    if (version == 0x83) {
      detail::WriteLE32(memoBytes.data(), 1);  // next free block after the 512-byte header
      memoBytes[16] = 0x03;
    } else {
      detail::WriteBE32(memoBytes.data(), 512 / 64);  // block size 64: data from block 8
      memoBytes[7] = 64;
    }
  }
  WriteNewFile(path, bytes);
  if (memo) {
    try {
      WriteNewFile(memoPath, memoBytes);
    } catch (...) {
      os::RemoveFile(path);
      throw;
    }
  }
}

}  // namespace dbf
