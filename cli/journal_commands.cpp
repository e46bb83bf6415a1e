#include "cli/journal_commands.h"

#include <cstdio>
#include <exception>
#include <string>

#include "common/encoding.h"
#include "common/journal_runs.h"
#include "common/messages.h"
#include "common/run_undo.h"
#include "import/imports.h"
#include "import/kinds.h"

namespace cli {
namespace {

void Warn(const std::vector<std::string>& warnings) {
  for (const std::string& warning : warnings) std::fprintf(stderr, "%s\n", warning.c_str());
}

std::string KindText(int kind) { return kind >= 0 && kind < ModMain::kKindCount ? ModMain::KindLabel(kind) : "?"; }

std::string OutcomeText(const ModMain::JournalRun& run) {
  const std::string at = " (" + std::to_string(run.line) + "번째 줄)";
  if (run.outcome == "completed") return "완료";
  if (run.outcome == "stopped") return "중지됨" + at;
  if (run.outcome == "refused") return "거부됨" + at;
  if (run.outcome == "failed") return "오류" + at;
  return "끝나지 않음";  // killed, or still running
}

}  // namespace

std::unique_ptr<ModMain::JournalFile> OpenJournal(const Arguments& arguments) {
  if (arguments.journalDirectory) return std::make_unique<ModMain::JournalFile>(*arguments.journalDirectory, false);
  return std::make_unique<ModMain::JournalFile>(ModMain::DefaultJournalDirectory(), true);
}

int ListRuns(const Arguments& arguments) {
  try {
    const ModMain::JournalContents journal = ModMain::ReadJournal(*OpenJournal(arguments));
    Warn(journal.warnings);
    for (const ModMain::JournalRun& run : journal.runs) {
      std::string rows;
      for (const auto& [table, count] : run.rows) rows += (rows.empty() ? "" : ", ") + table + " " + std::to_string(count);
      std::printf("%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", run.id.c_str(), run.started.c_str(),
                  run.tableDirectory.c_str(), KindText(run.kind).c_str(), ModMain::DecodeFileName(run.file).c_str(),
                  rows.empty() ? "0" : rows.c_str(), OutcomeText(run).c_str(),
                  run.undone.empty() ? "" : ("되돌림 " + run.undone).c_str());
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return kExitStepFailed;
  }
  return kExitOk;
}

int UndoRun(const Arguments& arguments, const std::string& tableDirectory) {
  ModMain::UndoResult result;
  try {
    result = ModMain::UndoRun(*OpenJournal(arguments), *arguments.undo, tableDirectory);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return kExitStepFailed;
  }
  Warn(result.warnings);
  const ModMain::JournalRun& run = result.run;
  std::printf("작업 %s(%s, %s)을(를) 되돌렸습니다: 행 %d개를 지웠고, %d개는 이미 없었습니다.\n", run.id.c_str(),
              KindText(run.kind).c_str(), ModMain::DecodeFileName(run.file).c_str(), result.deleted, result.gone);
  if (!result.kept.empty()) std::printf("다음 행은 가져온 뒤에 바뀌어 지우지 않았습니다:\n");
  for (const ModMain::JournalRow& row : result.kept)
    std::printf("- %s %u번째 행\n", row.table.c_str(), row.recordNumber);
  if (!result.staleIndexes.empty()) {
    std::string text = ModMain::StaleIndexMessage(result.staleIndexes, /*afterUndo=*/true);
    std::erase(text, '\r');
    std::fprintf(stderr, "%s\n", text.c_str());
  }
  for (const dbf::RebuiltTag& tag : result.rebuiltTags)
    std::fprintf(stderr, "%s\n", ModMain::RebuiltTagMessage(tag).c_str());
  return result.kept.empty() && result.staleIndexes.empty() && result.rebuiltTags.empty() ? kExitOk
                                                                                          : kExitWithMessages;
}

}  // namespace cli
