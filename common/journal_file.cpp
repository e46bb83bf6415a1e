#include "common/journal_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>

#include "common/encoding.h"
#include "common/text.h"
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

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Why the open file `fd` is no journal file to use, "" when it is one: a
// regular file, the user's own or in a folder that only its owner and group
// can write.
std::string Untrusted(int fd, const std::string& directory) {
  struct stat file {}, folder {};
  if (::fstat(fd, &file) != 0) return "을(를) 확인할 수 없습니다";
  if (!S_ISREG(file.st_mode)) return "은(는) 보통 파일이 아닙니다";
  if (file.st_uid == ::geteuid()) return "";
  if (::stat(directory.c_str(), &folder) != 0 || (folder.st_mode & S_IWOTH))
    return "은(는) 다른 사용자의 파일인데 그 폴더는 누구나 쓸 수 있습니다";
  return "";
}

// `path` opened with `flags`, never through a symbolic link; -1 when it does
// not exist. Throws (Korean) for a link or a file not to trust.
int OpenTrusted(const std::string& path, const std::string& directory, int flags) {
  const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0 && errno == ENOENT && !(flags & O_CREAT)) return -1;
  if (fd < 0 && errno == ELOOP)
    throw std::runtime_error("작업 기록 " + path + "은(는) 심볼릭 링크라서 쓰지 않습니다. 링크를 지우거나 --journal로 다른 폴더를 지정하십시오.");
  if (fd < 0) Fail("작업 기록 " + path + "을(를) 열 수 없습니다", errno);
  const std::string why = Untrusted(fd, directory);
  if (why.empty()) return fd;
  ::close(fd);
  throw std::runtime_error("작업 기록 " + path + why + ". 작업 기록 폴더를 확인하십시오.");
}

// The size of an open journal, refused over the bound no real journal reaches.
std::uint64_t CheckedSize(int fd, const std::string& path) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) Fail("작업 기록 " + path + "을(를) 읽을 수 없습니다", errno);
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (size > kMaxJournalBytes)
    throw std::runtime_error("작업 기록 " + path + "이(가) 너무 큽니다 (" + std::to_string(size) +
                             "바이트). 작업 기록을 다른 이름으로 옮겨 두고 다시 실행하십시오.");
  return size;
}

}  // namespace

std::string DefaultJournalDirectory() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/dbfimport";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/state/dbfimport";
  throw std::runtime_error("작업 기록을 둘 폴더를 알 수 없습니다 (HOME이 없습니다). --journal로 폴더를 지정하십시오.");
}

std::string EncodeJournalLine(const JournalEntry& entry) {
  std::string body;
  for (const std::string& field : entry) {
    if (!body.empty()) body += '\t';
    body += EscapeForLine(field);
  }
  return HexDigits(Crc32(body), 8) + "\t" + body;
}

bool DecodeJournalLine(std::string_view line, JournalEntry& entry) {
  if (line.size() <= 9 || line[8] != '\t') return false;
  const std::string_view body = line.substr(9);
  return line.substr(0, 8) == HexDigits(Crc32(body), 8) && Split(body, entry);
}

JournalFile::JournalFile(std::string directory, bool createDirectory)
    : directory_(std::move(directory)), path_(directory_ + "/journal.log"), createDirectory_(createDirectory) {}

JournalFile::~JournalFile() {
  if (fd_ >= 0) ::close(fd_);
}

void JournalFile::OpenForAppend() {
  if (fd_ >= 0) return;
  if (createDirectory_) MakeDirectories(directory_);
  fd_ = OpenTrusted(path_, directory_, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK);  // a FIFO cannot hang it
}

void JournalFile::Append(const JournalEntry& entry) {
  OpenForAppend();
  const std::string line = "\n" + EncodeJournalLine(entry);
  ssize_t written;
  do written = ::write(fd_, line.data(), line.size());
  while (written < 0 && errno == EINTR);
  if (written != static_cast<ssize_t>(line.size()))
    Fail("작업 기록 " + path_ + "에 쓰지 못했습니다", written < 0 ? errno : ENOSPC);
}

void JournalFile::Sync() {
  if (fd_ >= 0 && ::fdatasync(fd_) != 0) Fail("작업 기록 " + path_ + "을(를) 디스크에 기록하지 못했습니다", errno);
}

std::string JournalFile::DamagedLineWarning(long line) const {
  return "작업 기록 " + path_ + "의 " + std::to_string(line) + "번째 줄이 손상되어 건너뛰었습니다.";
}

std::vector<std::string> JournalFile::Read(const std::function<bool(const JournalEntry&)>& visit) const {
  std::vector<std::string> warnings;
  ReadLines({}, kMaxJournalBytes, [&](JournalEntry* entry, JournalPosition at) {
    if (!entry || !visit(*entry)) warnings.push_back(DamagedLineWarning(at.line));
    return true;
  });
  return warnings;
}

JournalPosition JournalFile::ReadLines(JournalPosition from, std::uint64_t last, const LineVisit& visit) const {
  const Descriptor file(OpenTrusted(path_, directory_, O_RDONLY | O_NONBLOCK));
  if (file.get() < 0) return from;
  CheckedSize(file.get(), path_);
  std::vector<char> chunk(std::size_t{1} << 20);
  std::string begun;     // the part of the current line read with an earlier chunk
  bool tooLong = false;  // the current line passed the bound: damaged, its bytes dropped
  JournalEntry fields;
  JournalPosition at = from;
  // The current line ends before `next`; false when the reading stops.
  auto finish = [&](std::string_view rest, std::uint64_t next) {
    const std::string_view text = begun.empty() ? rest : std::string_view(begun.append(rest));
    bool more = true;
    if (!text.empty() || tooLong)
      more = visit(!tooLong && DecodeJournalLine(text, fields) ? &fields : nullptr, at);
    at = {next, at.line + 1};
    begun.clear();
    tooLong = false;
    return more && at.offset <= last;
  };
  std::uint64_t offset = from.offset;
  for (;;) {
    if (offset > kMaxJournalBytes) CheckedSize(file.get(), path_);  // it grew past the bound while read
    const ssize_t n = ::pread(file.get(), chunk.data(), chunk.size(), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("작업 기록 " + path_ + "을(를) 읽는 중 오류가 났습니다", errno);
    if (n == 0) break;
    const std::string_view data(chunk.data(), static_cast<std::size_t>(n));
    for (std::size_t begin = 0; begin < data.size();) {
      const std::size_t end = std::min(data.find('\n', begin), data.size());
      const std::string_view part = data.substr(begin, end - begin);
      if (begun.size() + part.size() > kMaxJournalLineBytes) tooLong = true;
      if (tooLong) begun.clear();
      if (end == data.size()) {
        if (!tooLong) begun.append(part);
        break;
      }
      if (!finish(tooLong ? std::string_view() : part, offset + end + 1)) return at;
      begin = end + 1;
    }
    offset += static_cast<std::uint64_t>(n);
  }
  if (!begun.empty() || tooLong) finish({}, offset);  // the last line has no LF after it
  return at;
}

std::string JournalFile::ReadBytes(std::uint64_t offset, std::size_t size) const {
  const Descriptor file(OpenTrusted(path_, directory_, O_RDONLY | O_NONBLOCK));
  std::string bytes(size, '\0');
  std::size_t done = 0;
  while (file.get() >= 0 && done < size) {
    const ssize_t n = ::pread(file.get(), bytes.data() + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

std::string JournalFile::ReadIndex() const {
  const std::string path = directory_ + "/journal.idx";
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  if (file.get() < 0 || !Untrusted(file.get(), directory_).empty() || ::fstat(file.get(), &st) != 0 ||
      static_cast<std::uint64_t>(st.st_size) > kMaxJournalBytes / 8)
    return "";
  std::string text(static_cast<std::size_t>(st.st_size), '\0');
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t n = ::read(file.get(), text.data() + done, text.size() - done);
    if (n > 0) done += static_cast<std::size_t>(n);
    else if (n == 0 || errno != EINTR) return "";
  }
  return text;
}

void JournalFile::ReplaceIndex(const std::string& text) const {
  const std::string temporary = directory_ + "/.journal.idx." + HexDigits(std::random_device{}(), 8);
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return;
  bool written = true;
  for (std::size_t done = 0; written && done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n > 0) done += static_cast<std::size_t>(n);
    else written = n < 0 && errno == EINTR;
  }
  written = ::close(fd) == 0 && written;
  if (!written || ::rename(temporary.c_str(), (directory_ + "/journal.idx").c_str()) != 0)
    ::unlink(temporary.c_str());
}

}  // namespace ModMain
