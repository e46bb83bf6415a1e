#include "dbf/cdx/file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "dbf/table_layout.h"

namespace dbf::detail::cdx {

namespace {

// A NUL-terminated text of the expression pool.
bool PoolText(const std::uint8_t* pool, unsigned start, unsigned length, std::string& out) {
  if (start + length > header::kPoolSize) return false;
  const char* text = reinterpret_cast<const char*>(pool + start);
  out.assign(text, strnlen(text, length));
  return true;
}

}  // namespace

bool DecodeHeader(const std::uint8_t* b, Header& h) {
  using namespace header;
  h.root = ReadLE32(b + kRoot);
  h.keyLength = ReadLE16(b + kKeyLength);
  h.options = b[kOptions];
  const char* collation = reinterpret_cast<const char*>(b + kCollation);
  h.collation.assign(collation, strnlen(collation, kCollationSize));
  h.order = ReadLE16(b + kOrder);
  return PoolText(b + kPool, ReadLE16(b + kKeyStart), ReadLE16(b + kKeyTextLength), h.keyText) &&
         PoolText(b + kPool, ReadLE16(b + kForStart), ReadLE16(b + kForLength), h.forText);
}

void EncodeHeader(const Header& h, std::uint8_t* b) {
  using namespace header;
  std::memset(b, 0, kHeaderSize);
  WriteLE32(b + kRoot, h.root);
  WriteLE16(b + kKeyLength, h.keyLength);
  b[kOptions] = h.options;
  b[kSignature] = 1;
  std::memcpy(b + kCollation, h.collation.data(), std::min<std::size_t>(h.collation.size(), kCollationSize));
  WriteLE16(b + kOrder, h.order);
  const auto keyLength = static_cast<std::uint16_t>(h.keyText.size() + 1);
  WriteLE16(b + kForStart, keyLength);
  WriteLE16(b + kForLength, static_cast<std::uint16_t>(h.forText.size() + 1));
  WriteLE16(b + kKeyTextLength, keyLength);  // the key text starts at 0
  std::memcpy(b + kPool, h.keyText.data(), h.keyText.size());
  std::memcpy(b + kPool + keyLength, h.forText.data(), h.forText.size());
}

int CdxFile::Open(const std::string& path) {
  Close();
  path_ = path;
  return file_.Open(path);
}

void CdxFile::Close() {
  file_.Close();
  freed_.clear();
  known_ = false;
  Forget();
}

void CdxFile::Forget() {
  failed_ = true;
  known_ = false;
  nodes_.clear();
  roots_.clear();
}

void CdxFile::BeginUpdate() {
  const long long size = file_.Size();
  if (size < 0) {
    Forget();
    throw IoFailure{errno};
  }
  size_ = static_cast<std::uint64_t>(size);
  std::uint8_t counter[4] = {0, 0, 0, 0};
  file_.ReadAt(header::kCounter, counter, 4);
  counter_ = ReadBE32(counter);
  const bool unchanged = known_ && counter_ == knownCounter_ && size_ == knownSize_;
  if (size_ < knownSize_) freed_.clear();  // rebuilt by another program: the pages may be used
  if (!unchanged || nodes_.size() > 1024) Forget();  // at most a few megabytes
  failed_ = false;
  end_ = (size_ + kPageSize - 1) / kPageSize * kPageSize;
}

bool CdxFile::EndUpdate() {
  known_ = !failed_;
  knownCounter_ = counter_;
  knownSize_ = size_;
  return known_;
}

bool CdxFile::IsPage(std::uint32_t offset) const {
  return offset % kPageSize == 0 && offset >= kHeaderSize && offset + std::uint64_t(kPageSize) <= end_;
}

void CdxFile::Read(std::uint64_t offset, void* data, std::size_t size) {
  const long n = file_.ReadAt(offset, data, size);
  if (n == static_cast<long>(size)) return;
  const int error = errno;
  Forget();
  if (n < 0) throw IoFailure{error};
  throw Damaged{};
}

void CdxFile::Write(std::uint64_t offset, const void* data, std::size_t size) {
  if (int error = file_.WriteAt(offset, data, size)) {
    Forget();
    throw IoFailure{error};
  }
  size_ = std::max<std::uint64_t>(size_, offset + size);
}

Node& CdxFile::NodeAt(std::uint32_t offset, const KeyFormat& format) {
  const auto cached = nodes_.find(offset);
  if (cached != nodes_.end()) return cached->second;
  if (!IsPage(offset)) throw Damaged{};
  Page page;
  ReadPage(offset, page);
  Node node;
  if (!Decode(page, offset, format, node)) throw Damaged{};
  return nodes_[offset] = std::move(node);
}

void CdxFile::Store(const Node& node, const Page& page) {
  Write(node.offset, page.data(), page.size());
  Node& kept = nodes_[node.offset];
  if (&kept != &node) kept = node;
}

void CdxFile::Store(Node&& node, const Page& page) {
  Write(node.offset, page.data(), page.size());
  nodes_[node.offset] = std::move(node);
}

void CdxFile::StoreLinks(const Node& node) {
  std::uint8_t links[8];
  WriteLE32(links, node.left);
  WriteLE32(links + node::kRight - node::kLeft, node.right);
  Write(node.offset + node::kLeft, links, sizeof links);
}

void CdxFile::ReadPage(std::uint32_t offset, Page& page) { Read(offset, page.data(), page.size()); }

void CdxFile::WritePage(std::uint32_t offset, const Page& page) {
  nodes_.erase(offset);
  Write(offset, page.data(), page.size());
}

void CdxFile::ReadHeader(std::uint32_t offset, Header& header) {
  std::uint8_t block[kHeaderSize];
  Read(offset, block, sizeof block);
  if (!DecodeHeader(block, header)) throw Damaged{};
}

void CdxFile::WriteHeader(std::uint32_t offset, const Header& header) {
  std::uint8_t block[kHeaderSize];
  EncodeHeader(header, block);
  roots_.erase(offset);
  Write(offset, block, sizeof block);
}

std::uint32_t CdxFile::ReadWord(std::uint32_t offset) {
  std::uint8_t bytes[4];
  Read(offset, bytes, 4);
  return ReadLE32(bytes);
}

void CdxFile::WriteWord(std::uint32_t offset, std::uint32_t value) {
  std::uint8_t bytes[4];
  WriteLE32(bytes, value);
  Write(offset, bytes, 4);
}

std::uint32_t CdxFile::ReadRoot(std::uint32_t header) {
  const auto cached = roots_.find(header);
  if (cached != roots_.end()) return cached->second;
  return roots_[header] = ReadWord(header + header::kRoot);
}

void CdxFile::WriteRoot(std::uint32_t header, std::uint32_t root) {
  WriteWord(header + header::kRoot, root);
  roots_[header] = root;
}

std::uint32_t CdxFile::AllocateAtEnd() {
  const std::uint32_t offset = static_cast<std::uint32_t>(end_);
  end_ += kPageSize;
  return offset;
}

std::uint32_t CdxFile::Allocate() {
  if (!freed_.empty()) {
    const std::uint32_t page = freed_.back();
    freed_.pop_back();
    return page;
  }
  const std::uint32_t head = ReadWord(header::kFreeList);
  if (IsPage(head)) {
    const std::uint32_t next = ReadWord(head);
    // 0 and -1 both end the list; anything else must be a page too.
    if (next == 0 || next == kNoPage || IsPage(next)) {
      WriteWord(header::kFreeList, next);
      return head;
    }
  }
  return AllocateAtEnd();
}

void CdxFile::Free(std::uint32_t offset) {
  nodes_.erase(offset);
  freed_.push_back(offset);
}

void CdxFile::ReleaseFreed() {
  for (; !freed_.empty(); freed_.pop_back()) {
    const std::uint32_t offset = freed_.back();
    Page page{};
    WriteLE32(page.data(), ReadWord(header::kFreeList));
    WritePage(offset, page);
    WriteWord(header::kFreeList, offset);
  }
}

void CdxFile::BumpCounter() {
  std::uint8_t bytes[4];
  WriteBE32(bytes, counter_ + 1);
  Write(header::kCounter, bytes, 4);
  ++counter_;
}

}  // namespace dbf::detail::cdx
