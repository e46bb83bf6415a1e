#include "common/run_journal.h"

#include <ctime>
#include <random>
#include <utility>

#include "common/errors.h"
#include "common/journal_file.h"
#include "common/journal_runs.h"
#include "common/text.h"

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
  return TimeText("%Y%m%d-%H%M%S-") + HexDigits(std::random_device{}() & 0xFFFFFF, 6);
}

RunRecord::RunRecord(Run& run) : run_(run) {}

RunRecord::~RunRecord() {
  if (id_.empty()) return;
  run_.session.SharedConnection->SetRowObserver({});
  run_.session.journal->UnlockRun(id_);
}

void RunRecord::Begin(const ReimportApproval& approval) {
  Session& session = run_.session;
  if (!session.journal || !session.SharedConnection) return;
  const FileIdentity& file = run_.file.identity;
  const std::string directory = CanonicalDirectory(session.SharedConnection->Directory());
  // Judged and started as one among all programs sharing the journal: of two
  // clerks starting the same file at once, the later sees the earlier.
  JournalGuard guard(*session.journal);
  if (!approval.always) {
    const auto earlier = FindEarlierRun(ReadJournal(*session.journal), directory, run_.file.kind, file.sha256);
    if (earlier && earlier->id != approval.earlierRun) throw ImportFailure(ImportedMeanwhileMessage(*earlier));
  }
  const std::string id = NewRunId();
  session.journal->LockRun(id);
  try {
    session.journal->Append(
        EncodeEntry(id, JournalStart{LocalTimeText(), directory, run_.file.kind, file.path, file.size, file.sha256}));
  } catch (...) {
    session.journal->UnlockRun(id);
    throw;
  }
  id_ = id;
  run_.report.runId = id;
  JournalFile* journal = session.journal;
  session.SharedConnection->SetRowObserver([journal, id](const std::string& table, std::span<const dbf::ObservedRow> rows) {
    std::vector<JournalEntry> lines;
    lines.reserve(rows.size());
    for (const dbf::ObservedRow& row : rows)
      lines.push_back(EncodeEntry(id, JournalRow{table, row.recordNumber, RecordHash(row.record)}));
    journal->Append(lines);
  });
}

void RunRecord::End() {
  if (id_.empty()) return;
  run_.session.SharedConnection->SetRowObserver({});
  try {
    run_.session.journal->Append(
        EncodeEntry(id_, JournalEnd{LocalTimeText(), run_.report.end, run_.report.FirstLineNotImported()}));
    run_.session.journal->Sync();
  } catch (const std::exception& error) {
    run_.report.end = RunEnd::kFailed;
    run_.sink.Message(error.what());
  }
  run_.session.journal->UnlockRun(std::exchange(id_, ""));
}

}  // namespace ModMain
