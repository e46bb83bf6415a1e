#include "cli/journal_commands.h"

#include <cstdio>
#include <exception>
#include <string>

#include "cli/console.h"
#include "common/encoding.h"
#include "common/journal_runs.h"
#include "common/messages.h"
#include "common/run_undo.h"
#include "import/kinds.h"

namespace cli {
namespace {

void Warn(const std::vector<std::string>& warnings) {
  for (const std::string& warning : warnings) std::fprintf(stderr, "%s\n", warning.c_str());
}

std::string RunText(const ModMain::JournalRun& run) {
  return "작업 " + run.id + " (" + run.started.substr(0, 16) + ", " + ModMain::KindLabel(run.kind) + ", " +
         ModMain::DecodeFileName(run.file) + ", 행 " + std::to_string(run.Rows()) + "개)";
}

// A plain --undo picks the table directory's last run: on a terminal the
// clerk confirms it; a script is refused when a later run lost its start
// line, as it may be that directory's last. False when it is not to be undone.
bool Confirm(const ModMain::JournalContents& contents, const ModMain::JournalRun& run) {
  const auto unknown = ModMain::LaterRunWithoutStart(contents, run.id);
  const std::string doubt = unknown ? "작업 " + unknown->id + "은(는) 시작 줄이 작업 기록에 없어 어느 테이블 폴더의 것인지 알 수 없습니다." : "";
  if (!StdinIsTerminal() || !StderrIsTerminal()) {
    if (unknown) std::fprintf(stderr, "%s 되돌릴 작업을 --undo 작업번호로 지정하십시오.\n", doubt.c_str());
    return !unknown;
  }
  if (unknown) std::fprintf(stderr, "%s\n", doubt.c_str());
  std::fprintf(stderr, "%s을(를) 되돌립니다. 되돌리시겠습니까? (y/N) ", RunText(run).c_str());
  char answer[16] = "";
  if (!std::fgets(answer, sizeof answer, stdin) || (answer[0] != 'y' && answer[0] != 'Y')) {
    std::fprintf(stderr, "되돌리지 않았습니다.\n");
    return false;
  }
  return true;
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
                  run.tableDirectory.c_str(), ModMain::KindLabel(run.kind).c_str(), ModMain::DecodeFileName(run.file).c_str(),
                  rows.empty() ? "0" : rows.c_str(), ModMain::RunOutcomeText(run).c_str(),
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
    const std::unique_ptr<ModMain::JournalFile> journal = OpenJournal(arguments);
    const ModMain::JournalContents contents = ModMain::ReadJournal(*journal);  // once for the whole undo
    const ModMain::JournalRun run = ModMain::FindRunToUndo(contents, *arguments.undo, tableDirectory, journal->Path());
    if (arguments.undo->empty() && !Confirm(contents, run)) return kExitStepFailed;
    result = ModMain::UndoRun(*journal, contents, run, tableDirectory);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return kExitStepFailed;
  }
  Warn(result.warnings);
  const ModMain::JournalRun& run = result.run;
  std::printf("작업 %s(%s, %s)을(를) 되돌렸습니다: 행 %d개를 지웠고, %d개는 이미 없었습니다.\n", run.id.c_str(),
              ModMain::KindLabel(run.kind).c_str(), ModMain::DecodeFileName(run.file).c_str(), result.deleted, result.gone);
  if (!result.kept.empty()) std::printf("%s\n", ModMain::kKeptRowsHeading);
  for (const ModMain::JournalRow& row : result.kept)
    std::printf("%s\n", ModMain::KeptRowLine(row.table, row.recordNumber).c_str());
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
