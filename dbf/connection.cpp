#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <utility>

#include "dbf/connection_state.h"
#include "dbf/messages.h"

namespace dbf {

using detail::Fail;

std::string ConnectionState::Resolve(const std::string& name, const std::string& extension) {
  const std::string found = index.Find(directory, name + "." + extension, name);
  return found.empty() ? "" : directory + "/" + found;
}

Connection::Connection() : state_(std::make_shared<ConnectionState>()) {}

Connection::~Connection() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; Close() is the place to see flush errors.
  }
}

namespace {

std::string Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

}  // namespace

void Connection::Open(std::string_view connectionString) {
  std::string directory;
  bool haveDirectory = false;
  size_t start = 0;
  while (start <= connectionString.size()) {
    size_t end = connectionString.find(';', start);
    if (end == std::string_view::npos) end = connectionString.size();
    std::string_view piece = connectionString.substr(start, end - start);
    start = end + 1;
    const size_t eq = piece.find('=');
    if (Trim(piece).empty()) continue;
    const std::string key = detail::LowerAscii(Trim(piece.substr(0, eq)));
    const std::string value = eq == std::string_view::npos ? "" : Trim(piece.substr(eq + 1));
    if (key == "sourcetype") {
      if (detail::LowerAscii(value) != "dbf")
        Fail("연결 문자열의 SourceType=" + value + "은(는) 지원하지 않습니다. SourceType=DBF만 씁니다.");
    } else if (key == "sourcedb") {
      directory = value;
      haveDirectory = true;
    } else if (key == "exclusive") {
      if (detail::LowerAscii(value) != "no")
        Fail("연결 문자열의 Exclusive=" + value +
             "은(는) 지원하지 않습니다. 테이블은 다른 프로그램과 함께 쓰므로 Exclusive=No만 씁니다.");
    }
    // Driver, UID, PWD and other keys do not matter to this layer.
  }
  if (!haveDirectory || directory.empty()) Fail("연결 문자열에 테이블 폴더(SourceDB=)가 없습니다.");
  OpenDirectory(directory);
}

void Connection::OpenDirectory(const std::string& directory) {
  if (state_->open) Close();
  std::string dir = directory;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  DIR* handle = ::opendir(dir.c_str());
  if (!handle)
    Fail("테이블 폴더 " + directory + "을(를) 열 수 없습니다: " + detail::SystemErrorText(errno) + ".");
  ::closedir(handle);
  state_ = std::make_shared<ConnectionState>();
  state_->directory = dir;
  state_->open = true;
}

int Connection::State() const { return state_->open ? kStateOpen : kStateClosed; }

void Connection::Close() {
  if (!state_->open) return;
  // Recordset::Close removes itself from the list.
  while (!state_->recordsets.empty()) state_->recordsets.back()->Close();
  state_->open = false;
  FlushWrittenTables();
}

const std::string& Connection::Directory() const { return state_->directory; }

bool Connection::TableExists(std::string_view tableName) const {
  if (!state_->open || !detail::IsValidTableName(tableName)) return false;
  return !state_->Resolve(std::string(tableName), "dbf").empty();
}

void Connection::FlushWrittenTables() {
  std::string failed;
  for (const std::string& path : state_->writtenFiles) {
    // fdatasync works on the file, whichever descriptor names it.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fdatasync(fd) != 0) failed = path + ": " + detail::SystemErrorText(errno);
    if (fd >= 0) ::close(fd);
  }
  state_->writtenFiles.clear();
  ++state_->flushGeneration;
  if (!failed.empty()) Fail("테이블을 디스크에 기록하지 못했습니다 (" + failed + ").");
}

void ConnectionState::NoteStale(const StaleIndex& stale) {
  if (std::find(staleIndexes.begin(), staleIndexes.end(), stale) == staleIndexes.end())
    staleIndexes.push_back(stale);
}

std::vector<StaleIndex> Connection::TakeStaleIndexes() { return std::exchange(state_->staleIndexes, {}); }

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace dbf
