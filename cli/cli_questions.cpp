#include "cli/cli_questions.h"

#include <cstdio>

#include "common/encoding.h"
#include "common/messages.h"
#include "import/checker.h"
#include "import/preview.h"

namespace cli {
namespace {

const char* const kRefused = "검사에서 문제를 찾아 아무것도 가져오지 않았습니다. 파일을 고친 뒤 다시 실행하십시오.";

std::string OneLine(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " ");
  return text;
}

}  // namespace

std::string StepName(const ModMain::StepRequest& step) {
  return std::to_string(ModMain::KindNumber(step.kind)) + ":" +
         ModMain::DecodeFileName(step.directory + "/" + step.fileName);
}

void CliQuestions::Checked(const ModMain::PlanStep& step) {
  const ModMain::FileCheck& check = step.check;
  const std::string name = StepName(step.request);
  for (const ModMain::Problem& p : check.problems)
    view_.Note(name + ": " + (p.line > 0 ? std::to_string(p.line) + "번째 줄: " : "") + OneLine(p.reason));
  if (check.foundRecordLength != 0)
    view_.Note(name + ": " + OneLine(ModMain::RecordLengthFinding(step.file.kind, check)) +
               (arguments_.force ? " --force로 그대로 가져옵니다." : " 그래도 가져오려면 --force를 붙이십시오."));
  if (!arguments_.checkOnly) return;
  for (const std::string& message : check.messages) view_.ShowMessage(message);
  for (const auto& [table, rows] : check.rows)
    std::printf("%s\t%s\t%d\n", name.c_str(), ModMain::Cp949ToUtf8(table).c_str(), rows);
  for (const ModMain::PreviewRecord& record : ModMain::PreviewRecords(step.file, arguments_.preview))
    for (const ModMain::PreviewField& field : record.fields)
      std::printf("%s\t%d\t%s\t%s\n", name.c_str(), record.line, field.name.c_str(),
                  ModMain::EscapeForLine(field.text).c_str());
}

void CliQuestions::CheckRefused(const std::vector<ModMain::PlanStep>&) { view_.Note(kRefused); }

bool CliQuestions::ImportOtherLength(const ModMain::PlanStep&) {
  if (!arguments_.force) view_.Note(kRefused);
  return arguments_.force;
}

void CliQuestions::JournalWarnings(const std::vector<std::string>& warnings) {
  for (const std::string& warning : warnings) view_.Note(warning);
}

bool CliQuestions::ImportAgain(const ModMain::PlanStep& step, const ModMain::JournalRun& earlier) {
  view_.Note(StepName(step.request) + ": " + ModMain::AlreadyImportedQuestion(earlier) +
             " 그래도 가져오려면 --again을 붙이십시오.");
  return false;
}

void CliQuestions::Ran(const ModMain::PlanStep& step) {
  view_.Finish();
  const ModMain::RunReport& run = step.report;
  if (run.end == ModMain::RunEnd::kCompleted || !StopSignalled()) return;
  const std::string rows = ModMain::RowsPerTable(run.rowsSaved);
  view_.Note("중지했습니다: " + StepName(step.request) + "의 레코드 " + std::to_string(run.recordsDone) +
             "개를 가져왔습니다 (" + (rows.empty() ? "저장한 행 없음" : rows) + "). 이어서 가져오려면 파일의 " +
             std::to_string(run.recordsDone + 1) + "번째 줄부터 가져오십시오.");
}

}  // namespace cli
