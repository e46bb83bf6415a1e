// The command line's side of the import pipeline: every finding on stderr
// (and with --check the rows each table would get on stdout), the questions
// answered from the options (--force, --again), and the word on a stop.
#pragma once

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/cli_view.h"
#include "import/pipeline.h"

namespace cli {

class CliQuestions : public ModMain::PlanQuestions {
 public:
  CliQuestions(CliView& view, const Arguments& arguments) : view_(view), arguments_(arguments) {}

  void Checked(const ModMain::PlanStep& step) override;
  void CheckRefused(const std::vector<ModMain::PlanStep>& steps) override;
  bool ImportOtherLength(const ModMain::PlanStep& step) override;
  void JournalWarnings(const std::vector<std::string>& warnings) override;
  bool ImportAgain(const ModMain::PlanStep& step, const ModMain::JournalRun& earlier) override;
  void Ran(const ModMain::PlanStep& step) override;

 private:
  CliView& view_;
  const Arguments& arguments_;
};

// "1:dir/G차량.txt": a step as the command line names it in its messages.
std::string StepName(const ModMain::StepRequest& step);

}  // namespace cli
