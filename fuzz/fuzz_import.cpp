// Fuzz target over the whole import path. The first byte chooses the kind, the
// rest is the export file. The file goes through the import pipeline: loaded,
// checked and, when the check finds no problem, imported into a fresh copy of
// the sample tables with the run journal kept, every text the window would
// show rendered on the way. Faults: a crash, undefined behaviour, a leak, a
// text that is not UTF-8, or an import whose rows differ from what its check
// said.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/encoding.h"
#include "common/journal_file.h"
#include "fuzz/fuzz_work.h"
#include "import/checker.h"
#include "import/pipeline.h"
#include "tests/support/recording_view.h"

namespace {

namespace fs = std::filesystem;

// A name each kind's file-name rule accepts.
const char* const kFileNames[] = {"G거래처.txt", "G차량.txt", "G판매.txt", "G수금.txt", "GSS0403.txt", "S0040315.txt",
                                  "레미콘거래처.txt", "레미콘현장.txt", "레미콘일일판매.txt", "레미콘수금.txt",
                                  "레미콘계산서.txt"};

void RequireUtf8(const std::string& text) {
  if (ModMain::IsValidUtf8(text)) return;
  std::fprintf(stderr, "not UTF-8: %s\n", text.c_str());
  std::abort();
}

// Every text the window would have drawn.
void RequireUtf8(const RecordingView& view) {
  for (const std::string& text : view.captions) RequireUtf8(text);
  for (const auto& [position, row] : view.rows) RequireUtf8(row.status + row.text);
  for (const std::string& text : view.messages) RequireUtf8(text);
}

// Every finding of the check is text a clerk reads; a file of another length is imported anyway.
struct FuzzQuestions : ModMain::PlanQuestions {
  void Checked(const ModMain::PlanStep& step) override {
    for (const ModMain::Problem& p : step.check.problems) RequireUtf8(p.field + p.text + p.reason);
    for (const std::string& message : step.check.messages) RequireUtf8(message);
    if (step.check.foundRecordLength != 0) RequireUtf8(ModMain::RecordLengthFinding(step.file.kind, step.check));
  }
  void CheckRefused(const std::vector<ModMain::PlanStep>&) override {}
  bool ImportOtherLength(const ModMain::PlanStep&) override { return true; }
  void JournalWarnings(const std::vector<std::string>&) override {}
  bool ImportAgain(const ModMain::PlanStep&, const ModMain::JournalRun&) override { return true; }
};

void Import(ModMain::ImportKind kind, const fs::path& work, RecordingView& view) {
  ModMain::Session session;
  ModMain::OpenTargetDatabase(session, (work / "db").string(), view);
  ModMain::JournalFile journal((work / "journal").string(), false);
  session.journal = &journal;
  const ModMain::StepRequest step{kind, (work / "files").string(), kFileNames[ModMain::KindNumber(kind)]};
  FuzzQuestions questions;
  const ModMain::PlanReport report = ModMain::RunPlan(session, {&step, 1}, {}, view, questions);
  const ModMain::PlanStep* run = report.LastRun();
  if (run && (run->report.end != ModMain::RunEnd::kCompleted || run->report.rowsSaved != run->check.rows)) {
    std::fprintf(stderr, "the import did not do what its check said\n");
    std::abort();
  }
  ModMain::CloseTargetDatabase(session, view);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int kind = data[0] % static_cast<int>(std::size(kFileNames));
  const fs::path work = fuzzwork::FreshWorkDirectory();
  std::ofstream(work / "files" / kFileNames[kind], std::ios::binary)
      .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  RecordingView view;
  Import(static_cast<ModMain::ImportKind>(kind), work, view);
  RequireUtf8(view);
  return 0;
}
