// The command line: dbfimport-cli [--db DIR] [--journal DIR] [--check [--preview N]] [--force] [--again] KIND:FILE
// [KIND:FILE ...], or --undo [RUN], or --runs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "import/pipeline.h"

namespace cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitStepFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWithMessages = 3;

struct Arguments {
  bool help = false;
  bool checkOnly = false;  // --check: check every step, write nothing
  int preview = 0;         // --preview N (with --check): the first N records of each step cut into fields
  bool force = false;      // --force: import files whose records mostly have another length
  bool again = false;      // --again: import files the journal has as imported already
  bool runs = false;       // --runs: list the journal
  std::optional<std::string> undo;              // --undo [RUN]: "" for the table directory's last run
  std::optional<std::string> journalDirectory;  // --journal
  std::optional<std::string> tableDirectory;    // --db
  std::optional<std::string> sampleDatabase;    // --make-sample-db
  std::vector<ModMain::StepRequest> steps;  // FILE split into its directory ("." when none) and base name
};

// Throws std::invalid_argument (UTF-8 reason) on a usage error.
Arguments ParseArguments(const std::vector<std::string>& arguments);
// Splits a KIND:FILE step at its first ':'.
ModMain::StepRequest ParseStep(const std::string& step);

}  // namespace cli
