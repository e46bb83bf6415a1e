// Fuzz target over the run journal's readers. The input is a journal.log,
// with "@DB@" standing for the fuzzer's own copy of the sample tables, so a
// kept input replays in any folder (WithFolder). The journal is read twice (the first
// reading writes its index, the second starts from it, and both must tell
// the same runs); every run's rows are read back and its texts rendered; the
// guard's and the repair's questions are asked; and the table folder's last
// run is undone. Faults: a crash, undefined behaviour, a leak, or two
// readings that disagree.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/journal_file.h"
#include "common/journal_runs.h"
#include "common/messages.h"
#include "common/run_undo.h"
#include "fuzz/fuzz_work.h"
#include "import/kinds.h"
#include "import/pipeline.h"
#include "tests/support/recording_view.h"

namespace {

namespace fs = std::filesystem;

// A line sealed for the "@DB@" form is sealed again for the real folder;
// any other line is only given the folder, so a damaged one stays damaged.
std::string WithFolder(const std::uint8_t* data, std::size_t size, const std::string& folder) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  auto replaced = [&](std::string text) {
    for (std::size_t at = 0; (at = text.find("@DB@", at)) != std::string::npos; at += folder.size())
      text.replace(at, 4, folder);
    return text;
  };
  std::string out;
  for (std::size_t begin = 0; begin <= input.size();) {
    const std::size_t end = std::min(input.find('\n', begin), input.size());
    const std::string line = input.substr(begin, end - begin);
    ModMain::JournalEntry fields;
    if (line.find("@DB@") != std::string::npos && ModMain::DecodeJournalLine(line, fields)) {
      for (std::string& field : fields) field = replaced(field);
      out += ModMain::EncodeJournalLine(fields);
    } else {
      out += replaced(line);
    }
    if (end < input.size()) out += '\n';
    begin = end + 1;
  }
  return out;
}

std::string Summary(const ModMain::JournalContents& contents) {
  std::string text;
  for (const ModMain::JournalRun& run : contents.runs) {
    text += run.id + '\t' + run.tableDirectory + '\t' + std::to_string(run.Rows()) + '\t' + run.undone + '\t' +
            (run.end ? std::string(ModMain::RunEndWord(*run.end)) : "-") + '\n';
  }
  return text;
}

void Render(const ModMain::JournalFile& journal, const ModMain::JournalContents& contents, const std::string& db) {
  for (const ModMain::JournalRun& run : contents.runs) {
    (void)ModMain::RowsOfRun(journal, run);
    (void)ModMain::KindLabel(run.kind);
    (void)ModMain::AlreadyImportedQuestion(run);
    (void)ModMain::ImportedMeanwhileMessage(run);
    if (run.end) (void)ModMain::RunEndText(*run.end);
    (void)ModMain::FindEarlierRun(contents, run.tableDirectory, run.kind, run.sha256);
    (void)ModMain::LaterRunWithoutStart(contents, run.id);
  }
  (void)ModMain::TablesOfUnendedRuns(contents, db);
}

// Undo needs rows to find: the sample vehicles are imported once, with a
// journal of their own, into the tables every input starts from. The seeds'
// row lines name these rows.
struct AcceptAll : ModMain::PlanQuestions {
  void CheckRefused(const std::vector<ModMain::PlanStep>&) override { std::abort(); }
  bool ImportOtherLength(const ModMain::PlanStep&) override { return true; }
  void JournalWarnings(const std::vector<std::string>&) override {}
  bool ImportAgain(const ModMain::PlanStep&, const ModMain::JournalRun&) override { return true; }
};

void ImportSampleVehiclesOnce() {
  static bool done = false;
  if (done) return;
  done = true;
  const fs::path work = fuzzwork::FreshWorkDirectory();
  RecordingView view;
  ModMain::Session session;
  ModMain::OpenTargetDatabase(session, (work / "db").string(), view);
  ModMain::JournalFile journal((work / "journal").string(), false);
  session.journal = &journal;
  const ModMain::StepRequest step{ModMain::ImportKind::kGVehicles, SAMPLES_DIR, "G차량.txt"};
  AcceptAll questions;
  ModMain::RunPlan(session, {&step, 1}, {}, view, questions);
  ModMain::CloseTargetDatabase(session, view);
  fuzzwork::KeepAsPristine(work / "db");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ImportSampleVehiclesOnce();
  const fs::path work = fuzzwork::FreshWorkDirectory();
  const std::string db = fs::canonical(work / "db").string();
  std::ofstream(work / "journal" / "journal.log", std::ios::binary) << WithFolder(data, size, db);
  ModMain::JournalFile journal((work / "journal").string(), false);
  const ModMain::JournalContents first = ModMain::ReadJournal(journal);
  const ModMain::JournalContents second = ModMain::ReadJournal(journal);
  if (Summary(first) != Summary(second)) {
    std::fprintf(stderr, "the journal read through its index differs:\n%s---\n%s", Summary(first).c_str(),
                 Summary(second).c_str());
    std::abort();
  }
  Render(journal, second, db);
  // Only the fuzzer's own tables are ever written: a forged line may name any folder.
  const auto last = ModMain::LastRunToUndo(second, db);
  if (last && last->tableDirectory == db) {
    try {
      (void)ModMain::UndoRun(journal, second, *last, db);
    } catch (const std::exception&) {
      // Refusals are Korean messages; they are the undo's own business.
    }
  }
  return 0;
}
