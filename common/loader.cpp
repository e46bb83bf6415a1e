// Reading an export file.
#include "common/loader.h"

#include <cerrno>
#include <cstring>

#include "common/errors.h"
#include "common/messages.h"
#include "common/sha256.h"
#include "dbf/dbf.h"
#include "dbf/os/folders.h"

namespace ModMain {
namespace {

[[noreturn]] void Refuse(const std::string& path, std::string_view rest) {
  throw ImportFailure(FileMessage(path, rest));
}

namespace os = dbf::os;

// Size, modification time and file number: a file written to or replaced
// since has another.
std::string Stamp(const os::FileFacts& st) {
  return std::to_string(st.size) + ":" + std::to_string(st.modifiedSeconds) + "." +
         std::to_string(st.modifiedNanoseconds) + ":" + std::to_string(st.device) + ":" + std::to_string(st.number);
}

[[noreturn]] void RefuseChanged(const std::string& path) {
  Refuse(path, ": 파일이 읽는 동안 바뀌었습니다. 파일을 다 쓴 뒤에 다시 실행하십시오.");
}

// The whole file, after the checks that keep a FIFO, a device or an endless
// file from hanging the program or filling its memory, and its stamp.
std::string ReadWhole(const std::string& path, const LoadLimits& limits, std::string& stamp) {
  // Non-blocking, so a FIFO without a writer cannot hang the open.
  os::File file;
  if (const int error = file.Open(path, {.nonBlocking = true}))
    Refuse(path, "을(를) 열 수 없습니다: " + dbf::SystemErrorText(error) + ".");
  os::FileFacts st;
  if (const int error = file.Facts(st)) Refuse(path, "을(를) 읽을 수 없습니다: " + dbf::SystemErrorText(error) + ".");
  if (st.kind == os::FileFacts::Kind::kDirectory) Refuse(path, "은(는) 파일이 아니라 폴더입니다.");
  if (st.kind != os::FileFacts::Kind::kRegular)
    Refuse(path, "은(는) 보통 파일이 아닙니다 (파이프나 장치 파일). 내보내기 파일을 골라 주십시오.");
  if (st.size > limits.maxFileBytes)
    Refuse(path, "이(가) 너무 큽니다 (" + std::to_string(st.size) + "바이트). 이 종류의 내보내기 파일은 " +
                     std::to_string(limits.maxFileBytes) + "바이트를 넘지 않습니다. 파일을 확인하십시오.");
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(st.size));
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) bytes.resize(done + 4096);  // the file may have grown
    const long n = file.Read(bytes.data() + done, bytes.size() - done);
    if (n < 0) Refuse(path, "을(를) 읽는 중 오류가 났습니다: " + dbf::SystemErrorText(errno) + ".");
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
    if (done > limits.maxFileBytes) Refuse(path, "이(가) 읽는 동안 너무 커졌습니다. 다시 시도하십시오.");
  }
  bytes.resize(done);
  // A file still being written: what was read may end anywhere.
  os::FileFacts after;
  if (file.Facts(after) != 0 || Stamp(after) != Stamp(st) || done != st.size)
    RefuseChanged(path);
  stamp = Stamp(st);
  return bytes;
}

}  // namespace

LoadLimits LimitsForRecordLength(int recordLength) {
  // The file: twice the record and its line end for every line. A line: long
  // enough for the longest record of any kind, so the check can still say
  // which kind a file of another kind belongs to.
  const std::size_t line = 2 * static_cast<std::size_t>(recordLength) + 2;
  return {static_cast<std::uint64_t>(line) * kMaxRecordLines, kMaxLineBytes, static_cast<std::size_t>(recordLength)};
}

void RequireUnchanged(const FileIdentity& file) {
  os::FileFacts st;
  if (!file.stamp.empty() && (os::PathFacts(file.path, st) != 0 || Stamp(st) != file.stamp)) RefuseChanged(file.path);
}

ExportFile LoadExportFile(const std::string& path, const LoadLimits& limits, ImportView& view) {
  std::string stamp;
  const std::string bytes = ReadWhole(path, limits, stamp);
  view.SetPhaseCaption(kLoadCaption);
  if (bytes.empty()) Refuse(path, "이(가) 비어 있습니다. 가져올 줄이 없습니다.");

  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = start;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    if (end - start > limits.maxLineBytes)
      Refuse(path, "의 " + std::to_string(lines.size() + 1) + "번째 줄이 너무 깁니다 (" +
                       std::to_string(end - start) + "바이트). 내보내기 파일이 아닌 것 같습니다.");
    if (static_cast<int>(lines.size()) == kMaxRecordLines)
      Refuse(path, "의 줄이 " + std::to_string(kMaxRecordLines) + "개를 넘습니다. 한 번에 " +
                       std::to_string(kMaxRecordLines) + "줄까지 가져올 수 있으니 파일을 나누어 주십시오.");
    lines.emplace_back(bytes, start, end - start);
    // CR LF is one line end; CR and LF alone are one each.
    if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ++end;
    start = end + 1;
  }
  const bool ended = bytes.back() == '\r' || bytes.back() == '\n';
  if (!ended && lines.back().size() < limits.recordLength)
    Refuse(path, "의 마지막 줄(" + std::to_string(lines.size()) + "번째 줄)이 레코드 중간에서 끊겼습니다 (줄 끝 없이 " +
                     std::to_string(lines.back().size()) + "바이트, 레코드는 " + std::to_string(limits.recordLength) +
                     "바이트). 파일을 다 쓴 뒤에 다시 실행하십시오.");
  const int count = static_cast<int>(lines.size());
  view.SetProgressRange(0, count);
  view.SetRecordCount(count);
  view.SetProgressValue(count);
  return {ImportKind::kGCustomers, std::move(lines), {path, bytes.size(), Sha256Hex(bytes), stamp}};
}

}  // namespace ModMain
