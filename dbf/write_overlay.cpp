#include "dbf/write_overlay.h"

#include <algorithm>
#include <cstring>

namespace dbf::detail {

std::string WriteOverlay::Load(const os::File& file, std::uint64_t page) const {
  if (auto it = pages_.find(page); it != pages_.end()) return it->second;
  std::string bytes(kPage, '\0');
  const std::uint64_t start = page * kPage;
  if (start < diskLimit_) {
    const std::size_t wanted = static_cast<std::size_t>(std::min(kPage, diskLimit_ - start));
    file.ReadAt(start, bytes.data(), wanted);  // a failed read leaves zeros
  }
  return bytes;
}

void WriteOverlay::Keep(const os::File& file, std::uint64_t offset, std::uint64_t size) {
  for (std::uint64_t page = offset / kPage; page * kPage < std::min(offset + size, diskLimit_); ++page)
    if (!pages_.count(page)) pages_.emplace(page, Load(file, page));
}

long WriteOverlay::Read(const os::File& file, std::uint64_t offset, void* buffer, std::size_t size) const {
  const std::uint64_t end = std::min<std::uint64_t>(offset + size, size_);
  char* out = static_cast<char*>(buffer);
  for (std::uint64_t at = offset; at < end;) {
    const std::uint64_t page = at / kPage, inPage = at % kPage;
    const std::size_t n = static_cast<std::size_t>(std::min(kPage - inPage, end - at));
    if (auto it = pages_.find(page); it != pages_.end()) std::memcpy(out, it->second.data() + inPage, n);
    else std::memcpy(out, Load(file, page).data() + inPage, n);
    out += n;
    at += n;
  }
  return end > offset ? static_cast<long>(end - offset) : 0;
}

void WriteOverlay::Write(const os::File& file, std::uint64_t offset, const void* data, std::size_t size) {
  const char* in = static_cast<const char*>(data);
  for (std::uint64_t at = offset; at < offset + size;) {
    const std::uint64_t page = at / kPage, inPage = at % kPage;
    const std::size_t n = static_cast<std::size_t>(std::min(kPage - inPage, offset + size - at));
    auto it = pages_.find(page);
    if (it == pages_.end()) it = pages_.emplace(page, Load(file, page)).first;
    std::memcpy(it->second.data() + inPage, in, n);
    in += n;
    at += n;
  }
  size_ = std::max(size_, offset + size);
}

void WriteOverlay::Truncate(std::uint64_t size) {
  size_ = size;
  diskLimit_ = std::min(diskLimit_, size);
  pages_.erase(pages_.lower_bound((size + kPage - 1) / kPage), pages_.end());
  if (auto it = pages_.find(size / kPage); it != pages_.end())
    std::fill(it->second.begin() + static_cast<long>(size % kPage), it->second.end(), '\0');
}

}  // namespace dbf::detail
