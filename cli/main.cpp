// dbfimport-cli: the import steps of one program run, headless.
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/cli_questions.h"
#include "cli/cli_view.h"
#include "cli/help_text.h"
#include "cli/journal_commands.h"
#include "cli/sample_db.h"
#include "common/index_repair.h"
#include "common/journal_runs.h"
#include "dbf/dbf.h"
#include "import/pipeline.h"

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

// The journal every import is recorded in, and what a killed run left of
// the indexes repaired before anything else; false (after its message) when
// the journal cannot be opened or read.
bool OpenJournal(const cli::Arguments& arguments, ModMain::Session& session, cli::CliView& view,
                 std::unique_ptr<ModMain::JournalFile>& journal) {
  try {
    journal = cli::OpenJournal(arguments);
    const ModMain::JournalContents contents = ModMain::ReadJournal(*journal);
    if (session.SharedConnection)
      for (const std::string& message : ModMain::RepairAfterUnendedRuns(contents, *session.SharedConnection))
        view.ShowMessage(message);
  } catch (const std::exception& error) {
    view.Note(error.what());
    return false;
  }
  session.journal = journal.get();
  return true;
}

int RunSteps(const cli::Arguments& arguments) {
  cli::CatchStopSignals();
  cli::CliView view;
  ModMain::Session session;
  ModMain::OpenTargetDatabase(session, arguments.tableDirectory ? *arguments.tableDirectory : ExecutableDirectory(),
                              view);
  const auto finish = [&](bool done) {
    ModMain::CloseTargetDatabase(session, view);
    view.Finish();
    view.ReportCutList();
    return !done ? kExitStepFailed : view.MessagesShown() > 0 ? kExitWithMessages : kExitOk;
  };
  std::unique_ptr<ModMain::JournalFile> journal;
  if (!arguments.checkOnly && !OpenJournal(arguments, session, view, journal)) return finish(false);

  cli::CliQuestions questions(view, arguments);
  const ModMain::PlanReport report = ModMain::RunPlan(session, arguments.steps, {arguments.checkOnly, arguments.again},
                                                      view, questions);
  if (report.end == ModMain::RunEnd::kStopped && report.ran == 0 && cli::StopSignalled())
    view.Note("중지했습니다. 아무것도 가져오지 않았습니다.");
  return finish(report.end == ModMain::RunEnd::kCompleted);
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
