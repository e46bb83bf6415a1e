// Reading an export file into RecordLines.
#include "common/loader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/messages.h"

namespace ModMain {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string OsReason(int error) {
  switch (error) {
    case ENOENT: return "파일이 없습니다";
    case EACCES: return "읽을 권한이 없습니다";
    case EISDIR: return "파일이 아니라 폴더입니다";
    default: return std::strerror(error);
  }
}

File OpenForReading(const std::string& path) {
  errno = 0;
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    throw ImportFailure(FileMessage(path, "을(를) 열 수 없습니다: ") + OsReason(errno) + ".");
  }
  return file;
}

[[noreturn]] void ThrowReadError(const std::string& path, int error) {
  throw ImportFailure(FileMessage(path, "을(를) 읽는 중 오류가 났습니다: ") + OsReason(error) +
                      ".");
}

// Feeds the file's bytes to `onLine` line by line: CR LF or a CR alone ends a
// line, a LF alone stays in the text; a last line without an end counts.
// `onLine` returns false to stop early.
template <typename OnLine>
void ForEachLine(const std::string& path, std::FILE* file, OnLine onLine) {
  std::string line;
  char buffer[65536];
  bool afterCr = false;
  bool pending = false;  // bytes (or an empty line start) since the last end
  for (;;) {
    std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
    if (got == 0) {
      if (std::ferror(file)) ThrowReadError(path, errno);
      break;
    }
    std::size_t i = 0;
    while (i < got) {
      if (afterCr) {
        afterCr = false;
        if (buffer[i] == '\n') {  // the LF of a CR LF
          ++i;
          continue;
        }
      }
      const void* found = std::memchr(buffer + i, '\r', got - i);
      std::size_t cr = found ? static_cast<std::size_t>(static_cast<const char*>(found) - buffer)
                             : got;
      if (cr > i) {
        line.append(buffer + i, cr - i);
        pending = true;
      }
      if (cr == got) break;
      afterCr = true;
      pending = false;
      if (!onLine(line)) return;
      line.clear();
      i = cr + 1;
    }
  }
  if (pending) onLine(line);
}

}  // namespace

void LoadExportFile(ImportShell& shell, const std::string& path) {
  ImportView& view = shell.view;

  // Counting pass: sizes the array exactly and refuses oversized files early.
  int count = 0;
  {
    File file = OpenForReading(path);
    ForEachLine(path, file.get(), [&](const std::string&) {
      if (count == kMaxRecordLines) {
        throw ImportFailure(FileMessage(path, "의 줄이 ") + std::to_string(kMaxRecordLines) +
                            "개를 넘습니다. 한 번에 " + std::to_string(kMaxRecordLines) +
                            "줄까지 가져올 수 있으니 파일을 나누어 주십시오.");
      }
      ++count;
      return true;
    });
  }

  view.SetPhaseCaption(kLoadCaption);
  if (count == 0) {
    throw ImportFailure(FileMessage(path, "이(가) 비어 있습니다. 가져올 줄이 없습니다."));
  }

  // Filled aside, so a failure leaves the previous records in place.
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(count));
  view.SetProgressRange(0, count);
  view.SetRecordCountPanel(RecordCountPanel(count));
  bool grew = false;
  {
    File file = OpenForReading(path);
    ForEachLine(path, file.get(), [&](const std::string& line) {
      if (static_cast<int>(lines.size()) == count) {
        grew = true;
        return false;
      }
      lines.push_back(line);
      view.SetProgressValue(static_cast<int>(lines.size()));
      return true;
    });
  }
  if (grew || static_cast<int>(lines.size()) != count) {
    throw ImportFailure(FileMessage(path, "이(가) 읽는 동안 바뀌었습니다. 다시 시도하십시오."));
  }
  shell.RecordLines = std::move(lines);
}

}  // namespace ModMain
