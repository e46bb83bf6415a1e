// Fuzz target over the whole import path. The first byte chooses the kind, the
// rest is the export file. The file is loaded, checked and, when the check
// finds no problem, imported into a fresh copy of the sample tables with the
// run journal kept, every text the window would show rendered on the way.
// Faults: a crash, undefined behaviour, a leak, a text that is not UTF-8, or
// an import whose rows differ from what its check said.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/sample_db.h"
#include "common/encoding.h"
#include "common/import_shell.h"
#include "common/journal_file.h"
#include "import/checker.h"
#include "import/dispatcher.h"
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
  RequireUtf8(view.countPanel);
}

// The sample tables once, on tmpfs when there is one; each input gets a copy.
char gRoot[64];

fs::path Pristine() {
  if (!gRoot[0]) {
    std::snprintf(gRoot, sizeof gRoot, "%s/dbfimportfuzz.XXXXXX", access("/dev/shm", W_OK) ? "/tmp" : "/dev/shm");
    if (!mkdtemp(gRoot)) std::abort();
    sampledb::MakeSampleDatabase(std::string(gRoot) + "/pristine");
    std::atexit([] { fs::remove_all(gRoot); });
  }
  return fs::path(gRoot) / "pristine";
}

fs::path FreshWorkDirectory() {
  const fs::path work = Pristine().parent_path() / "work";
  fs::remove_all(work);
  fs::create_directories(work / "files");
  fs::create_directories(work / "journal");
  fs::create_directories(work / "db");
  // Through streams: the kernel's file copy can end early on libFuzzer's timer signal.
  for (const auto& table : fs::directory_iterator(Pristine()))
    std::ofstream(work / "db" / table.path().filename(), std::ios::binary)
        << std::ifstream(table.path(), std::ios::binary).rdbuf();
  return work;
}

void Import(int kind, const fs::path& work, RecordingView& view) {
  ModMain::ImportShell shell(view);
  ModMain::OpenTargetDatabase(shell, (work / "db").string());
  if (ModMain::LoadStep(shell, kind, (work / "files").string(), kFileNames[kind]) != ModMain::DispatchResult::kRan)
    return;
  ModMain::FileCheck check;
  {
    ModMain::StepChecker checker(shell);
    check = checker.Check(kind, shell.RecordLines);
  }
  for (const ModMain::Problem& p : check.problems) RequireUtf8(p.field + p.text + p.reason);
  for (const std::string& message : check.messages) RequireUtf8(message);
  if (check.foundRecordLength != 0) RequireUtf8(ModMain::RecordLengthFinding(kind, check));
  if (!check.problems.empty()) return;

  ModMain::JournalFile journal((work / "journal").string(), false);
  shell.journal = &journal;
  ModMain::RunStep(shell, kind);
  if (shell.lastOutcome != ModMain::RunOutcome::kCompleted || shell.rowsSaved != check.rows) {
    std::fprintf(stderr, "the import did not do what its check said\n");
    std::abort();
  }
  ModMain::CloseTargetDatabase(shell);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int kind = data[0] % static_cast<int>(std::size(kFileNames));
  const fs::path work = FreshWorkDirectory();
  std::ofstream(work / "files" / kFileNames[kind], std::ios::binary)
      .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  RecordingView view;
  Import(kind, work, view);
  RequireUtf8(view);
  return 0;
}
