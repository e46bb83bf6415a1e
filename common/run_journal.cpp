#include "common/run_journal.h"

#include <cstdio>
#include <ctime>
#include <random>
#include <utility>

#include "common/errors.h"
#include "common/journal_file.h"
#include "common/journal_runs.h"

namespace ModMain {
namespace {

std::string TimeText(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, format, &local));
}

}  // namespace

std::string LocalTimeText() { return TimeText("%Y-%m-%d %H:%M:%S"); }

std::string NewRunId() {
  char random[8];
  std::snprintf(random, sizeof random, "%06x", static_cast<unsigned>(std::random_device{}() & 0xFFFFFF));
  return TimeText("%Y%m%d-%H%M%S-") + random;
}

RunRecord::RunRecord(ImportShell& shell) : shell_(shell) {}

RunRecord::~RunRecord() {
  if (id_.empty()) return;
  if (shell_.SharedConnection) shell_.SharedConnection->SetRowObserver({});
  shell_.journal->UnlockRun(id_);
}

void RunRecord::Begin() {
  if (!shell_.journal || shell_.check || !shell_.SharedConnection) return;
  const LoadedFile& file = shell_.loadedFile;
  const std::string directory = CanonicalDirectory(shell_.SharedConnection->Directory());
  // Judged and started as one among all programs sharing the journal: of two
  // clerks starting the same file at once, the later sees the earlier.
  JournalGuard guard(*shell_.journal);
  if (!shell_.reimportAllowed) {
    const auto earlier = FindEarlierRun(ReadJournal(*shell_.journal), directory, file.kind, file.sha256);
    if (earlier && earlier->id != shell_.reimportApprovedRun) throw ImportFailure(ImportedMeanwhileMessage(*earlier));
  }
  const std::string id = NewRunId();
  shell_.journal->LockRun(id);
  try {
    shell_.journal->Append({id, "start", LocalTimeText(), directory, std::to_string(file.kind), file.path,
                            std::to_string(file.size), file.sha256});
  } catch (...) {
    shell_.journal->UnlockRun(id);
    throw;
  }
  id_ = id;
  shell_.lastRunId = id;
  JournalFile* journal = shell_.journal;
  shell_.SharedConnection->SetRowObserver(
      [journal, id](const std::string& table, std::uint32_t recordNumber, std::span<const std::uint8_t> record) {
        journal->Append({id, "row", table, std::to_string(recordNumber), RecordHash(record)});
      });
}

void RunRecord::End(const std::string& outcome, int line) {
  if (id_.empty()) return;
  if (shell_.SharedConnection) shell_.SharedConnection->SetRowObserver({});
  try {
    shell_.journal->Append({id_, "end", LocalTimeText(), outcome, std::to_string(line)});
    shell_.journal->Sync();
  } catch (const std::exception& error) {
    shell_.lastOutcome = RunOutcome::kEndedEarly;
    shell_.ShowMessage(error.what());
  }
  shell_.journal->UnlockRun(std::exchange(id_, ""));
}

}  // namespace ModMain
