#include "dbf/memo_file.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "dbf/messages.h"

namespace dbf::detail {

namespace {
constexpr std::uint32_t kMemoHeaderSize = 512;
constexpr std::uint32_t kDbtBlockSize = 512;
constexpr std::uint64_t kMaxMemo = 16u << 20;  // a longer memo is cut when read
}  // namespace

void MemoFile::Open(const std::string& path, MemoKind kind, const std::string& table) {
  path_ = path;
  kind_ = kind;
  table_ = table;
  if (int error = file_.Open(path))
    FailMemo(table, path, "을(를) 열 수 없습니다: " + SystemErrorText(error) +
         ".");
  if (file_.Size() < static_cast<long long>(kMemoHeaderSize) || BlockSize() == 0) {
    file_.Close();
    FailMemo(table, path, "이(가) 올바른 메모 파일이 아닙니다.");
  }
}

std::uint32_t MemoFile::BlockSize(const std::uint8_t* header) const {
  if (kind_ == MemoKind::kDbt) return kDbtBlockSize;
  std::uint8_t read[8];
  if (!header && file_.ReadAt(0, read, 8) != 8) return 0;
  if (!header) header = read;
  const std::uint32_t raw = (header[6] << 8) | header[7];
  if (raw == 0) return 1;
  return raw <= 32 ? raw * 512 : raw;
}

std::uint32_t MemoFile::Append(const std::string& data, bool text, bool held) {
  if (!file_.Writable())
    FailMemo(table_, path_, "에 쓸 수 없습니다: 읽기 전용입니다.");
  if (!pending_.empty()) return Place(pendingNext_, data, text, true);
  std::uint8_t header[8];
  if (file_.ReadAt(0, header, 8) != 8) FailMemo(table_, path_, "을(를) 읽을 수 없습니다.");
  const std::uint32_t blockSize = blockSize_ = BlockSize(header);
  std::uint32_t next = kind_ == MemoKind::kFpt ? ReadBE32(header) : ReadLE32(header);
  const std::uint32_t firstBlock = (kMemoHeaderSize + blockSize - 1) / blockSize;
  if (next < firstBlock)
    FailMemo(table_, path_, "이(가) 손상되었습니다: 다음 빈 블록(" +
         std::to_string(next) + ")이 메모 파일 헤더 안을 가리킵니다.");

  // Blocks below the next free one are in use; one far beyond the end of the
  // file means the header is corrupt (a sound file ends within a block of it).
  const long long fileSize = file_.Size();
  if (fileSize < 0 || std::uint64_t(next) * blockSize > std::uint64_t(fileSize) + blockSize)
    FailMemo(table_, path_, "이(가) 손상되었습니다: 다음 빈 블록(" +
         std::to_string(next) + ")이 파일 끝을 넘습니다.");
  // Blocks are never handed out below the end of the file: a pointer inside
  // used blocks is what a save killed between the blocks and the pointer
  // leaves (or damage), and the blocks past it may hold memos.
  const std::uint64_t fileBlocks = (std::uint64_t(fileSize) + blockSize - 1) / blockSize;
  if (fileBlocks > next) next = static_cast<std::uint32_t>(std::min<std::uint64_t>(fileBlocks, 0xFFFFFFFFu));
  pendingOldSize_ = fileSize;
  return Place(next, data, text, held);
}

std::uint32_t MemoFile::Place(std::uint32_t next, const std::string& data, bool text, bool held) {
  const std::uint32_t blockSize = blockSize_;
  std::vector<std::uint8_t> blocks;
  if (kind_ == MemoKind::kFpt) {
    blocks.resize(8);
    WriteBE32(blocks.data(), text ? 1 : 0);
    WriteBE32(blocks.data() + 4, static_cast<std::uint32_t>(data.size()));
    blocks.insert(blocks.end(), data.begin(), data.end());
  } else {
    blocks.assign(data.begin(), data.end());
    blocks.push_back(0x1A);
    blocks.push_back(0x1A);
  }
  const std::uint64_t used = (blocks.size() + blockSize - 1) / blockSize;
  blocks.resize(used * blockSize, 0);
  const std::uint64_t newNext = next + used;
  if (newNext > 0xFFFFFFFFull || std::uint64_t(next) * blockSize + blocks.size() > 0x7FFFFFFFull)
    FailMemo(table_, path_, "이(가) 가득 찼습니다.");

  if (pending_.empty()) pendingAt_ = std::uint64_t(next) * blockSize;
  pending_.insert(pending_.end(), blocks.begin(), blocks.end());
  pendingNext_ = static_cast<std::uint32_t>(newNext);
  if (!held) WriteHeld();
  return next;
}

void MemoFile::WriteHeld() {
  if (pending_.empty()) return;
  const std::vector<std::uint8_t> blocks = std::exchange(pending_, {});
  const long long oldSize = pendingOldSize_;
  const std::uint64_t at = pendingAt_;
  int error = file_.WriteAt(at, blocks.data(), blocks.size());
  if (error == 0) {
    std::uint8_t pointer[4];
    if (kind_ == MemoKind::kFpt) WriteBE32(pointer, pendingNext_);
    else WriteLE32(pointer, pendingNext_);
    error = file_.WriteAt(0, pointer, 4);
  }
  if (error != 0) {
    if (oldSize >= 0 && static_cast<std::uint64_t>(oldSize) <= at + blocks.size())
      file_.Truncate(oldSize);
    FailMemo(table_, path_, "에 쓰지 못했습니다: " + SystemErrorText(error) +
         ".");
  }
}

std::string MemoFile::Read(std::uint32_t block) const {
  const std::uint32_t blockSize = BlockSize();
  if (block == 0 || blockSize == 0) return "";
  const long long size = file_.Size();
  const std::uint64_t at = std::uint64_t(block) * blockSize;
  if (size < 0 || at >= static_cast<std::uint64_t>(size)) return "";
  if (kind_ == MemoKind::kFpt) {
    std::uint8_t header[8];
    if (file_.ReadAt(at, header, 8) != 8) return "";
    std::uint64_t length = ReadBE32(header + 4);
    if (at + 8 + length > static_cast<std::uint64_t>(size)) length = size - at - 8;
    if (length > kMaxMemo) length = kMaxMemo;
    std::string data(length, '\0');
    long n = file_.ReadAt(at + 8, data.data(), length);
    data.resize(n < 0 ? 0 : n);
    return data;
  }
  // dBASE III text runs to the first 0x1A; a memo without one ends at the end
  // of the file, and no memo is read beyond kMaxMemo bytes.
  // A memo never runs past the next free block.
  std::uint64_t end = static_cast<std::uint64_t>(size);
  std::uint8_t header[4];
  if (file_.ReadAt(0, header, 4) == 4) {
    const std::uint64_t used = std::uint64_t(ReadLE32(header)) * blockSize;
    if (used > at && used < end) end = used;
  }
  std::string data;
  char buffer[4096];
  for (std::uint64_t pos = at; pos < end && data.size() < kMaxMemo;) {
    long n = file_.ReadAt(pos, buffer, std::min<std::uint64_t>(sizeof buffer, end - pos));
    if (n <= 0) break;
    const void* mark = std::memchr(buffer, 0x1A, n);
    const long used = mark ? static_cast<const char*>(mark) - buffer : n;
    data.append(buffer, used);
    if (mark) break;
    pos += n;
  }
  if (data.size() > kMaxMemo) data.resize(kMaxMemo);
  return data;
}

}  // namespace dbf::detail
