// dbfimport-cli: the import steps of one program run, headless.
#include <cstdio>
#include <exception>
#include <limits.h>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/arguments.h"
#include "cli/cli_view.h"
#include "cli/help_text.h"
#include "cli/sample_db.h"
#include "import/dispatcher.h"
#include "common/import_shell.h"
#include "dbf/dbf.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitStepFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitWithMessages = 3;

// The tables live beside the program unless --db says otherwise.
std::string ExecutableDirectory() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return ".";
  std::string path(buffer, static_cast<std::size_t>(length));
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

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

int RunSteps(const cli::Arguments& arguments) {
  cli::CliView view;
  ModMain::ImportShell shell(view);
  ModMain::OpenTargetDatabase(shell,
                              arguments.tableDirectory ? *arguments.tableDirectory
                                                       : ExecutableDirectory());
  int status = kExitOk;
  for (const cli::ImportStep& step : arguments.steps) {
    shell.lastOutcome = ModMain::RunOutcome::kNone;
    ModMain::DispatchResult result =
        ModMain::Dispatch(shell, step.kind, step.directory, step.fileName);
    view.Finish();
    if (result != ModMain::DispatchResult::kRan ||
        shell.lastOutcome != ModMain::RunOutcome::kCompleted) {
      status = kExitStepFailed;
      break;
    }
  }
  ModMain::CloseTargetDatabase(shell);
  view.Finish();
  if (status == kExitOk && (view.MessagesShown() > 0 || shell.messagesShown > 0)) {
    status = kExitWithMessages;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // A table that reaches the file size limit must give a write error, not
  // kill the program halfway through a row.
  dbf::IgnoreFileSizeSignal();
  // One write per buffer, not per record line.
  static char outputBuffer[1 << 16];
  std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

  cli::Arguments arguments;
  try {
    arguments = cli::ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "%s\n\n%s", error.what(), cli::kUsageText);
    return kExitUsage;
  }
  if (arguments.help) {
    std::fputs(cli::HelpText().c_str(), stdout);
    return kExitOk;
  }
  if (arguments.sampleDatabase) return MakeSampleDatabase(*arguments.sampleDatabase);
  return RunSteps(arguments);
}
