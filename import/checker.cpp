#include "import/checker.h"

#include "common/file_check.h"
#include "import/kinds.h"

namespace ModMain {

// A check shows nothing while it runs; the front end shows what it found.
struct StepChecker::Silent : ImportView {
  void SetPhaseCaption(const std::string&) override {}
  void SetProgressRange(int, int) override {}
  void SetProgressValue(int) override {}
  void ClearRecordList() override {}
  void AddRecordRow(int, const std::string&) override {}
  void SetRecordRowData(int, const std::string&) override {}
  void SetRecordCountPanel(const std::string&) override {}
  void ClearCodeMap() override {}
  void AddCodeMapRow(const std::string&, const std::string&, const std::string&) override {}
  void ShowMessage(const std::string&) override {}
};

std::string RecordLengthFinding(int kind, const FileCheck& check) {
  std::string text = "이 파일의 레코드는 대부분 " + std::to_string(check.foundRecordLength) + "바이트입니다. " +
                     KindLabel(kind) + " 파일의 레코드는 " + std::to_string(check.expectedRecordLength) + "바이트입니다.";
  std::string others;
  for (int other : check.kindsOfFoundLength) others += (others.empty() ? "" : ", ") + KindLabel(other);
  if (!others.empty()) text += "\r\n" + std::to_string(check.foundRecordLength) + "바이트는 " + others + " 파일의 길이입니다.";
  return text + "\r\n다른 종류의 파일일 수 있습니다.";
}

StepChecker::StepChecker(const ImportShell& shell)
    : view_(std::make_unique<Silent>()), shell_(std::make_unique<ImportShell>(*view_)) {
  shell_->tableDirectory = shell.tableDirectory;
  shell_->customerCodeMap = shell.customerCodeMap;
  shell_->heldCustomerCodes = shell.heldCustomerCodes;
  if (shell.SharedConnection) {
    shell_->SharedConnection = std::make_unique<dbf::Connection>();
    shell_->SharedConnection->Open(shell.SharedConnection->Directory(), /*checkOnly=*/true);
  }
}

StepChecker::~StepChecker() = default;

FileCheck StepChecker::Check(int kind, const std::vector<std::string>& lines) {
  const KindInfo& info = Kind(kind);
  FileCheck check;
  if (FindUtf8(lines, check)) return check;  // every field would be wrong: say the one cause

  // The last line is left out: it is the trailer of most kinds' files.
  check.expectedRecordLength = info.recordLength;
  check.foundRecordLength =
      MismatchedRecordLength(lines, 0, static_cast<int>(lines.size()) - 2, info.recordLength);
  if (check.foundRecordLength != 0)
    for (const KindInfo& other : Kinds())
      if (other.recordLength == check.foundRecordLength) check.kindsOfFoundLength.push_back(other.kind);

  std::map<std::string, int> before =
      shell_->SharedConnection ? shell_->SharedConnection->CheckedRows() : std::map<std::string, int>{};
  shell_->RecordLines = lines;
  shell_->check = &check;
  info.routine(*shell_);
  shell_->check = nullptr;
  if (shell_->SharedConnection)
    for (const auto& [table, rows] : shell_->SharedConnection->CheckedRows())
      if (rows > before[table]) check.rows[table] = rows - before[table];
  return check;
}

}  // namespace ModMain
