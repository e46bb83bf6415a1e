#include "common/journal_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <stdexcept>

#include "common/encoding.h"
#include "dbf/dbf.h"

namespace ModMain {
namespace {

std::uint32_t Crc32(std::string_view bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::string Hex8(std::uint32_t value) {
  static const char kHex[] = "0123456789abcdef";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[i] = kHex[value & 0xF];
  return text;
}

// The fields of a line's body; false for an escape the writer never makes.
bool Split(std::string_view body, JournalEntry& fields) {
  fields.assign(1, std::string());
  for (std::size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (c == '\t') {
      fields.emplace_back();
    } else if (c != '\\') {
      fields.back() += c;
    } else if (++i < body.size() && std::string_view("\\tnr").find(body[i]) != std::string_view::npos) {
      fields.back() += body[i] == 't' ? '\t' : body[i] == 'n' ? '\n' : body[i] == 'r' ? '\r' : '\\';
    } else {
      return false;
    }
  }
  return fields.size() >= 2;
}

[[noreturn]] void Fail(const std::string& what, int error) {
  throw std::runtime_error(what + ": " + dbf::SystemErrorText(error) + ".");
}

void MakeDirectories(const std::string& directory) {
  for (std::size_t at = directory.find('/', 1);; at = directory.find('/', at + 1)) {
    const std::string part = directory.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      Fail("작업 기록 폴더 " + part + "을(를) 만들 수 없습니다", errno);
    if (at == std::string::npos) return;
  }
}

}  // namespace

std::string DefaultJournalDirectory() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/dbfimport";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/state/dbfimport";
  throw std::runtime_error("작업 기록을 둘 폴더를 알 수 없습니다 (HOME이 없습니다). --journal로 폴더를 지정하십시오.");
}

JournalFile::JournalFile(std::string directory, bool createDirectory)
    : directory_(std::move(directory)), path_(directory_ + "/journal.log"), createDirectory_(createDirectory) {}

JournalFile::~JournalFile() {
  if (fd_ >= 0) ::close(fd_);
}

void JournalFile::Append(const JournalEntry& entry) {
  if (fd_ < 0) {
    if (createDirectory_) MakeDirectories(directory_);
    fd_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) Fail("작업 기록 " + path_ + "을(를) 열 수 없습니다", errno);
  }
  std::string body;
  for (const std::string& field : entry) {
    if (!body.empty()) body += '\t';
    body += EscapeForLine(field);
  }
  const std::string line = "\n" + Hex8(Crc32(body)) + "\t" + body;
  ssize_t written;
  do written = ::write(fd_, line.data(), line.size());
  while (written < 0 && errno == EINTR);
  if (written != static_cast<ssize_t>(line.size()))
    Fail("작업 기록 " + path_ + "에 쓰지 못했습니다", written < 0 ? errno : ENOSPC);
}

void JournalFile::Sync() {
  if (fd_ >= 0 && ::fdatasync(fd_) != 0) Fail("작업 기록 " + path_ + "을(를) 디스크에 기록하지 못했습니다", errno);
}

std::vector<std::string> JournalFile::Read(const std::function<bool(const JournalEntry&)>& visit) const {
  std::vector<std::string> warnings;
  std::FILE* in = std::fopen(path_.c_str(), "rbe");
  if (!in) {
    if (errno == ENOENT) return warnings;
    Fail("작업 기록 " + path_ + "을(를) 읽을 수 없습니다", errno);
  }
  char* buffer = nullptr;
  std::size_t capacity = 0;
  JournalEntry fields;
  long number = 0;
  for (ssize_t length; (length = ::getline(&buffer, &capacity, in)) >= 0;) {
    ++number;
    std::string_view line(buffer, static_cast<std::size_t>(length));
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (line.empty()) continue;
    const std::string_view body = line.size() > 9 ? line.substr(9) : std::string_view();
    const bool sound = line.size() > 9 && line[8] == '\t' && line.substr(0, 8) == Hex8(Crc32(body)) &&
                       Split(body, fields) && visit(fields);
    if (!sound)
      warnings.push_back("작업 기록 " + path_ + "의 " + std::to_string(number) + "번째 줄이 손상되어 건너뛰었습니다.");
  }
  const int error = std::ferror(in) ? errno : 0;
  std::free(buffer);
  std::fclose(in);
  if (error) Fail("작업 기록 " + path_ + "을(를) 읽는 중 오류가 났습니다", error);
  return warnings;
}

}  // namespace ModMain
