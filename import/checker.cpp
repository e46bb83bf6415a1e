#include "import/checker.h"

#include "common/encoding.h"
#include "common/import_run.h"
#include "common/messages.h"
#include "import/kinds.h"

namespace ModMain {
namespace {

// The check's sink: the end of a record is its problem and the check goes
// on with the next; a message is kept. It shows only its progress over the
// records, and stops when the clerk asks.
class CheckSink : public RunSink {
 public:
  CheckSink(FileCheck& check, ImportView* view) : check_(check), view_(view) {}
  void Message(const std::string& text) override { check_.messages.push_back(text); }
  bool EndsEarly(const EarlyEnd& end) override {
    if (end.end == RunEnd::kStopped) return false;
    check_.problems.push_back({end.line, end.field, Cp949ToUtf8(end.text), end.message});
    if (view_ && end.line > 0) view_->SetProgressValue(end.line);
    return end.line > 0;  // a problem of the file as a whole ends the check
  }
  bool StopRequested() const override { return view_ && view_->StopRequested(); }
  void Started(int records) override {
    if (!view_) return;
    view_->SetPhaseCaption(kCheckCaption);
    view_->SetProgressRange(0, records);
    view_->SetProgressValue(0);
  }
  void Saved(int line, const std::string&) override {
    if (view_) view_->SetProgressValue(line);
  }

 private:
  FileCheck& check_;
  ImportView* view_;
};

}  // namespace

std::string RecordLengthFinding(ImportKind kind, const FileCheck& check) {
  std::string text = "이 파일의 레코드는 대부분 " + std::to_string(check.foundRecordLength) + "바이트입니다. " +
                     KindLabel(kind) + " 파일의 레코드는 " + std::to_string(check.expectedRecordLength) + "바이트입니다.";
  std::string others;
  for (ImportKind other : check.kindsOfFoundLength) others += (others.empty() ? "" : ", ") + KindLabel(other);
  if (!others.empty()) text += "\r\n" + std::to_string(check.foundRecordLength) + "바이트는 " + others + " 파일의 길이입니다.";
  return text + "\r\n다른 종류의 파일일 수 있습니다.";
}

FileCheck CheckFile(Session& check, const ExportFile& file, ImportView* view) {
  const KindInfo& info = KindInfoOf(file.kind);
  const std::vector<std::string>& lines = file.RecordLines;
  FileCheck found;
  if (FindUtf8(lines, found)) return found;  // every field would be wrong: say the one cause

  // The last line is left out: it is the trailer of most kinds' files.
  found.expectedRecordLength = info.recordLength;
  found.foundRecordLength = MismatchedRecordLength(lines, 0, static_cast<int>(lines.size()) - 2, info.recordLength);
  if (found.foundRecordLength != 0)
    for (const KindInfo& other : Kinds())
      if (other.recordLength == found.foundRecordLength) found.kindsOfFoundLength.push_back(other.kind);

  dbf::Connection* connection = check.SharedConnection.get();
  std::map<std::string, int> before = connection ? connection->CheckedRows() : std::map<std::string, int>{};
  CheckSink sink(found, view);
  Run run{check, file, sink, {}};
  info.routine(run);
  if (connection)
    for (const auto& [table, rows] : connection->CheckedRows())
      if (rows > before[table]) found.rows[table] = rows - before[table];
  return found;
}

}  // namespace ModMain
