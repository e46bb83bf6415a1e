#include "dbf/cdx_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "dbf/table_layout.h"

namespace dbf::detail::cdx {

namespace {

constexpr std::uint32_t kFreeListHead = 4;
constexpr std::uint32_t kCounter = 8;

void WriteLE16(std::uint8_t* p, unsigned value) {
  p[0] = value & 0xFF;
  p[1] = (value >> 8) & 0xFF;
}

// A NUL-terminated text of the expression pool.
bool PoolText(const std::uint8_t* pool, unsigned start, unsigned length, std::string& out) {
  if (start + length > kHeaderSize / 2) return false;
  const char* text = reinterpret_cast<const char*>(pool + start);
  out.assign(text, strnlen(text, length));
  return true;
}

}  // namespace

bool DecodeHeader(const std::uint8_t* b, Header& h) {
  h.root = ReadLE32(b);
  h.keyLength = ReadLE16(b + 12);
  h.options = b[14];
  const char* collation = reinterpret_cast<const char*>(b + 494);
  h.collation.assign(collation, strnlen(collation, 8));
  h.order = ReadLE16(b + 502);
  return PoolText(b + 512, ReadLE16(b + 508), ReadLE16(b + 510), h.keyText) &&
         PoolText(b + 512, ReadLE16(b + 504), ReadLE16(b + 506), h.forText);
}

void EncodeHeader(const Header& h, std::uint8_t* b) {
  std::memset(b, 0, kHeaderSize);
  WriteLE32(b, h.root);
  WriteLE16(b + 12, h.keyLength);
  b[14] = h.options;
  b[15] = 1;  // signature
  std::memcpy(b + 494, h.collation.data(), std::min<std::size_t>(h.collation.size(), 8));
  WriteLE16(b + 502, h.order);
  const unsigned keyLength = static_cast<unsigned>(h.keyText.size()) + 1;
  WriteLE16(b + 504, keyLength);
  WriteLE16(b + 506, static_cast<unsigned>(h.forText.size()) + 1);
  WriteLE16(b + 510, keyLength);
  std::memcpy(b + 512, h.keyText.data(), h.keyText.size());
  std::memcpy(b + 512 + keyLength, h.forText.data(), h.forText.size());
}

int CdxFile::Open(const std::string& path) {
  path_ = path;
  return file_.Open(path);
}

std::uint64_t CdxFile::Size() const {
  const long long size = file_.Size();
  if (size < 0) throw IoFailure{errno};
  return static_cast<std::uint64_t>(size);
}

void CdxFile::BeginUpdate() { end_ = (Size() + kPageSize - 1) / kPageSize * kPageSize; }

bool CdxFile::IsPage(std::uint32_t offset) const {
  return offset % kPageSize == 0 && offset >= kHeaderSize && offset + std::uint64_t(kPageSize) <= end_;
}

void CdxFile::ReadPage(std::uint32_t offset, Page& page) const {
  const long n = file_.ReadAt(offset, page.data(), page.size());
  if (n < 0) throw IoFailure{errno};
  if (n != static_cast<long>(page.size())) throw Damaged{};
}

void CdxFile::WritePage(std::uint32_t offset, const Page& page) const {
  if (int error = file_.WriteAt(offset, page.data(), page.size())) throw IoFailure{error};
}

void CdxFile::ReadHeader(std::uint32_t offset, Header& header) const {
  std::uint8_t block[kHeaderSize];
  const long n = file_.ReadAt(offset, block, sizeof block);
  if (n < 0) throw IoFailure{errno};
  if (n != static_cast<long>(sizeof block) || !DecodeHeader(block, header)) throw Damaged{};
}

void CdxFile::WriteHeader(std::uint32_t offset, const Header& header) const {
  std::uint8_t block[kHeaderSize];
  EncodeHeader(header, block);
  if (int error = file_.WriteAt(offset, block, sizeof block)) throw IoFailure{error};
}

std::uint32_t CdxFile::ReadWord(std::uint32_t offset) const {
  std::uint8_t bytes[4];
  const long n = file_.ReadAt(offset, bytes, 4);
  if (n < 0) throw IoFailure{errno};
  if (n != 4) throw Damaged{};
  return ReadLE32(bytes);
}

void CdxFile::WriteWord(std::uint32_t offset, std::uint32_t value) const {
  std::uint8_t bytes[4];
  WriteLE32(bytes, value);
  if (int error = file_.WriteAt(offset, bytes, 4)) throw IoFailure{error};
}

std::uint32_t CdxFile::ReadRoot(std::uint32_t header) const { return ReadWord(header); }
void CdxFile::WriteRoot(std::uint32_t header, std::uint32_t root) const { WriteWord(header, root); }

std::uint32_t CdxFile::AllocateAtEnd() {
  const std::uint32_t offset = static_cast<std::uint32_t>(end_);
  end_ += kPageSize;
  return offset;
}

std::uint32_t CdxFile::Allocate() {
  const std::uint32_t head = ReadWord(kFreeListHead);
  if (IsPage(head)) {
    const std::uint32_t next = ReadWord(head);
    // 0 and -1 both end the list; anything else must be a page too.
    if (next == 0 || next == kNoPage || IsPage(next)) {
      WriteWord(kFreeListHead, next);
      return head;
    }
  }
  return AllocateAtEnd();
}

void CdxFile::Free(std::uint32_t offset) {
  Page page{};
  WriteLE32(page.data(), ReadWord(kFreeListHead));
  WritePage(offset, page);
  WriteWord(kFreeListHead, offset);
}

std::uint32_t CdxFile::Counter() const {
  std::uint8_t bytes[4];
  if (file_.ReadAt(kCounter, bytes, 4) != 4) return 0;
  return ReadBE32(bytes);
}

void CdxFile::BumpCounter() const {
  std::uint8_t bytes[4];
  WriteBE32(bytes, Counter() + 1);
  if (int error = file_.WriteAt(kCounter, bytes, 4)) throw IoFailure{error};
}

}  // namespace dbf::detail::cdx
