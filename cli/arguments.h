// The command line: dbfimport-cli [--db DIR] [--check] [--force] KIND:FILE [KIND:FILE ...]
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct ImportStep {
  int kind = 0;
  std::string directory;  // of FILE; "." when FILE has none
  std::string fileName;   // base name, raw bytes
};

struct Arguments {
  bool help = false;
  bool checkOnly = false;  // --check: check every step, write nothing
  bool force = false;      // --force: import files whose records mostly have another length
  std::optional<std::string> tableDirectory;    // --db
  std::optional<std::string> sampleDatabase;    // --make-sample-db
  std::vector<ImportStep> steps;
};

// Throws std::invalid_argument (UTF-8 reason) on a usage error.
Arguments ParseArguments(const std::vector<std::string>& arguments);
// Splits a KIND:FILE step at its first ':'.
ImportStep ParseStep(const std::string& step);

}  // namespace cli
