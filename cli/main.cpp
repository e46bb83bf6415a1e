// dbfimport-cli: the import steps of one program run, headless.
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/cli_view.h"
#include "cli/help_text.h"
#include "cli/journal_commands.h"
#include "cli/sample_db.h"
#include "common/encoding.h"
#include "common/index_repair.h"
#include "common/journal_runs.h"
#include "import/checker.h"
#include "import/dispatcher.h"
#include "import/kinds.h"
#include "common/import_shell.h"
#include "dbf/dbf.h"

namespace {

using cli::kExitOk;
using cli::kExitStepFailed;
using cli::kExitUsage;
using cli::kExitWithMessages;

// The tables live beside the program unless --db says otherwise.
std::string ExecutableDirectory() { return cli::ProgramDirectory(); }

int MakeSampleDatabase(const std::string& directory) {
  try {
    sampledb::MakeSampleDatabase(directory);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return kExitStepFailed;
  }
  std::printf("예제 테이블을 만들었습니다 / sample tables created: %s\n", directory.c_str());
  return kExitOk;
}

std::string StepName(const cli::ImportStep& step) {
  return std::to_string(step.kind) + ":" + ModMain::DecodeFileName(step.directory + "/" + step.fileName);
}

std::string OneLine(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " ");
  return text;
}

// Prints what the check of one step found; true when it may be imported.
bool ReportCheck(cli::CliView& view, const cli::ImportStep& step, const ModMain::FileCheck& check, bool force) {
  const std::string name = StepName(step) + ": ";
  for (const ModMain::Problem& p : check.problems)
    view.Note(name + (p.line > 0 ? std::to_string(p.line) + "번째 줄: " : "") + OneLine(p.reason));
  if (check.foundRecordLength == 0) return check.problems.empty();
  view.Note(name + OneLine(ModMain::RecordLengthFinding(step.kind, check)) +
            (force ? " --force로 그대로 가져옵니다." : " 그래도 가져오려면 --force를 붙이십시오."));
  return check.problems.empty() && force;
}

// The re-import guard: a file whose content the journal has as imported by a
// completed run of its kind into this table directory, not undone, is
// refused unless --again.
bool PassesReimportGuard(cli::CliView& view, const ModMain::JournalFile& journal, const ModMain::ImportShell& shell,
                         const cli::Arguments& arguments, const std::vector<ModMain::LoadedFile>& loaded) {
  if (!shell.SharedConnection) return true;  // the runs end at the missing directory
  const ModMain::JournalContents contents = ModMain::ReadJournal(journal);
  for (const std::string& warning : contents.warnings) view.Note(warning);
  const std::string directory = ModMain::CanonicalDirectory(shell.SharedConnection->Directory());
  bool passes = true;
  for (std::size_t i = 0; i < loaded.size() && !arguments.again; ++i) {
    const auto earlier = ModMain::FindEarlierRun(contents, directory, loaded[i].kind, loaded[i].sha256);
    if (!earlier) continue;
    view.Note(StepName(arguments.steps[i]) + ": " + ModMain::AlreadyImportedQuestion(*earlier) +
              " 그래도 가져오려면 --again을 붙이십시오.");
    passes = false;
  }
  return passes;
}

int RunSteps(const cli::Arguments& arguments) {
  cli::CatchStopSignals();
  cli::CliView view;
  ModMain::ImportShell shell(view);
  ModMain::OpenTargetDatabase(shell, arguments.tableDirectory ? *arguments.tableDirectory : ExecutableDirectory());
  const auto finish = [&](int status) {
    ModMain::CloseTargetDatabase(shell);
    view.Finish();
    view.ReportCutList();
    if (status == kExitOk && (view.MessagesShown() > 0 || shell.messagesShown > 0)) status = kExitWithMessages;
    return status;
  };

  // Every step is loaded and checked before the first one writes anything.
  std::vector<std::vector<std::string>> files;
  std::vector<ModMain::LoadedFile> loaded;
  for (const cli::ImportStep& step : arguments.steps) {
    if (ModMain::LoadStep(shell, step.kind, step.directory, step.fileName) != ModMain::DispatchResult::kRan)
      return finish(kExitStepFailed);
    files.push_back(std::move(shell.RecordLines));
    loaded.push_back(shell.loadedFile);
  }
  std::unique_ptr<ModMain::JournalFile> journal;
  if (!arguments.checkOnly) {
    try {
      journal = cli::OpenJournal(arguments);
      if (!PassesReimportGuard(view, *journal, shell, arguments, loaded)) return finish(kExitStepFailed);
    } catch (const std::exception& error) {
      view.Note(error.what());
      return finish(kExitStepFailed);
    }
    shell.journal = journal.get();
    shell.reimportAllowed = arguments.again;
    // Indexes a killed run left broken are rebuilt before anything is read.
    if (shell.SharedConnection)
      for (const std::string& message : ModMain::RepairAfterUnendedRuns(*journal, *shell.SharedConnection))
        view.ShowMessage(message);
  }
  bool importable = true;
  {
    ModMain::StepChecker checker(shell);
    for (std::size_t i = 0; i < files.size(); ++i) {
      const cli::ImportStep& step = arguments.steps[i];
      const ModMain::FileCheck check = checker.Check(step.kind, files[i]);
      importable = ReportCheck(view, step, check, arguments.force) && importable;
      if (!arguments.checkOnly) continue;
      for (const std::string& message : check.messages) view.ShowMessage(message);
      for (const auto& [table, rows] : check.rows)
        std::printf("%s\t%s\t%d\n", StepName(step).c_str(), ModMain::Cp949ToUtf8(table).c_str(), rows);
    }
  }
  if (!importable) {
    view.Note("검사에서 문제를 찾아 아무것도 가져오지 않았습니다. 파일을 고친 뒤 다시 실행하십시오.");
    return finish(kExitStepFailed);
  }
  if (arguments.checkOnly) return finish(kExitOk);
  if (cli::StopSignalled()) {
    view.Note("중지했습니다. 아무것도 가져오지 않았습니다.");
    return finish(kExitStepFailed);
  }

  for (std::size_t i = 0; i < files.size(); ++i) {
    const cli::ImportStep& step = arguments.steps[i];
    shell.lastOutcome = ModMain::RunOutcome::kNone;
    shell.RecordLines = std::move(files[i]);
    shell.loadedFile = loaded[i];
    shell.rowsSaved.clear();
    ModMain::RunStep(shell, step.kind);
    view.Finish();
    if (shell.lastOutcome == ModMain::RunOutcome::kCompleted) continue;
    if (cli::StopSignalled()) {
      std::string rows;
      for (const auto& [table, count] : shell.rowsSaved)
        rows += (rows.empty() ? "" : ", ") + ModMain::Cp949ToUtf8(table) + " " + std::to_string(count) + "행";
      view.Note("중지했습니다: " + StepName(step) + "의 레코드 " + std::to_string(shell.recordsDone) +
                "개를 가져왔습니다 (" + (rows.empty() ? "저장한 행 없음" : rows) + "). 이어서 가져오려면 파일의 " +
                std::to_string(shell.recordsDone + 1) + "번째 줄부터 가져오십시오.");
    }
    return finish(kExitStepFailed);
  }
  return finish(kExitOk);
}

}  // namespace

int main(int argc, char** argv) {
  // A table that reaches the file size limit must give a write error, not
  // kill the program halfway through a row.
  dbf::IgnoreFileSizeSignal();
  // One write per buffer, not per record line; a console shows Korean.
  cli::SetUpOutput();

  cli::Arguments arguments;
  try {
    arguments = cli::ParseArguments(cli::ProgramArguments(argc, argv));
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "%s\n\n%s", error.what(), cli::kUsageText);
    return kExitUsage;
  }
  if (arguments.help) {
    std::fputs(cli::HelpText().c_str(), stdout);
    return kExitOk;
  }
  if (arguments.sampleDatabase) return MakeSampleDatabase(*arguments.sampleDatabase);
  if (arguments.runs) return cli::ListRuns(arguments);
  if (arguments.undo) return cli::UndoRun(arguments, arguments.tableDirectory.value_or(ExecutableDirectory()));
  return RunSteps(arguments);
}
