#include "common/journal_file.h"

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
#include "dbf/os/folders.h"

namespace ModMain {
namespace {

namespace os = dbf::os;

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
    if (const int error = os::MakeFolder(part); error != 0 && error != EEXIST)
      Fail("작업 기록 폴더 " + part + "을(를) 만들 수 없습니다", error);
    if (at == std::string::npos) return;
  }
}

// Why the open file is no journal file to use, "" when it is one: a regular
// file, the user's own or in a folder that only its owner and group can
// write (on Windows: that Everyone, Users and the like cannot write).
std::string Untrusted(const os::File& file, const std::string& directory) {
  os::FileFacts facts;
  if (file.Facts(facts) != 0) return "을(를) 확인할 수 없습니다";
  if (facts.kind != os::FileFacts::Kind::kRegular) return "은(는) 보통 파일이 아닙니다";
  if (file.OwnedByUser()) return "";
  if (os::FolderOpenToEveryone(directory)) return "은(는) 다른 사용자의 파일인데 그 폴더는 누구나 쓸 수 있습니다";
  return "";
}

// `path` opened as `flags` say, never through a symbolic link; not open when
// it does not exist. Throws (Korean) for a link or a file not to trust.
// Other programs may move it aside meanwhile.
os::File OpenTrusted(const std::string& path, const std::string& directory, os::OpenFlags flags) {
  flags.noFollow = true;
  flags.replaceable = true;
  os::File file;
  const int error = file.Open(path, flags);
  if (error == ENOENT && !flags.create) return file;
  if (error == ELOOP)
    throw std::runtime_error("작업 기록 " + path + "은(는) 심볼릭 링크라서 쓰지 않습니다. 링크를 지우거나 --journal로 다른 폴더를 지정하십시오.");
  if (error) Fail("작업 기록 " + path + "을(를) 열 수 없습니다", error);
  const std::string why = Untrusted(file, directory);
  if (why.empty()) return file;
  file.Close();
  throw std::runtime_error("작업 기록 " + path + why + ". 작업 기록 폴더를 확인하십시오.");
}

// The size of an open journal, refused over the bound no real journal reaches.
std::uint64_t CheckedSize(const os::File& file, const std::string& path) {
  os::FileFacts facts;
  if (const int error = file.Facts(facts)) Fail("작업 기록 " + path + "을(를) 읽을 수 없습니다", error);
  const auto size = facts.size;
  if (size > kMaxJournalBytes)
    throw std::runtime_error("작업 기록 " + path + "이(가) 너무 큽니다 (" + std::to_string(size) +
                             "바이트). 작업 기록을 다른 이름으로 옮겨 두고 다시 실행하십시오.");
  return size;
}

}  // namespace

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

JournalFile::~JournalFile() = default;

void JournalFile::OpenForAppend() {
  if (file_.IsOpen()) return;
  if (createDirectory_) MakeDirectories(directory_);
  // Non-blocking: a FIFO cannot hang it.
  file_ = OpenTrusted(path_, directory_, {.write = true, .appendOnly = true, .create = true, .nonBlocking = true});
}

void JournalFile::Append(const JournalEntry& entry) { Append(std::vector<JournalEntry>{entry}); }

void JournalFile::Append(const std::vector<JournalEntry>& entries) {
  OpenForAppend();
  std::string lines;
  for (const JournalEntry& entry : entries) lines += "\n" + EncodeJournalLine(entry);
  if (const int error = file_.Append(lines.data(), lines.size()))
    Fail("작업 기록 " + path_ + "에 쓰지 못했습니다", error);
}

void JournalFile::Sync() {
  if (!file_.IsOpen()) return;
  if (const int error = file_.SyncData()) Fail("작업 기록 " + path_ + "을(를) 디스크에 기록하지 못했습니다", error);
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
  const os::File file = OpenTrusted(path_, directory_, {.nonBlocking = true});
  if (!file.IsOpen()) return from;
  CheckedSize(file, path_);
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
    if (offset > kMaxJournalBytes) CheckedSize(file, path_);  // it grew past the bound while read
    const long n = file.ReadAt(offset, chunk.data(), chunk.size());
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
  const os::File file = OpenTrusted(path_, directory_, {.nonBlocking = true});
  std::string bytes(size, '\0');
  const long done = file.IsOpen() ? file.ReadAt(offset, bytes.data(), size) : 0;
  bytes.resize(done > 0 ? static_cast<std::size_t>(done) : 0);
  return bytes;
}

std::string JournalFile::ReadIndex() const {
  const std::string path = directory_ + "/journal.idx";
  os::File file;
  os::FileFacts facts;
  if (file.Open(path, {.noFollow = true, .nonBlocking = true, .replaceable = true}) != 0 ||
      !Untrusted(file, directory_).empty() || file.Facts(facts) != 0 || facts.size > kMaxJournalBytes / 8)
    return "";
  std::string text(static_cast<std::size_t>(facts.size), '\0');
  if (file.ReadAt(0, text.data(), text.size()) != static_cast<long>(text.size())) return "";
  return text;
}

void JournalFile::ReplaceIndex(const std::string& text) const {
  char name[32];
  std::snprintf(name, sizeof name, "/.journal.idx.%08x", static_cast<unsigned>(std::random_device{}()));
  const std::string temporary = directory_ + name;
  os::File file;
  if (file.Open(temporary, {.write = true, .create = true, .exclusive = true, .noFollow = true}) != 0) return;
  bool written = file.WriteAt(0, text.data(), text.size()) == 0;
  written = file.Close() == 0 && written;
  if (!written || os::RenameReplacing(temporary, directory_ + "/journal.idx") != 0) os::RemoveFile(temporary);
}

}  // namespace ModMain
