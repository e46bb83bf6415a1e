#include "common/journal_runs.h"

#include <cstdlib>
#include <unordered_map>
#include <variant>

#include "common/journal_index.h"
#include "common/messages.h"
#include "common/sha256.h"
#include "dbf/os/folders.h"

namespace ModMain {
namespace {

// The index is renewed once the lines read past it reach this size: about
// the lines of a 3 000-row run.
constexpr std::uint64_t kRenewIndexAfterBytes = 256 * 1024;

// Applies the journal's lines, in order, to the runs they tell of.
class RunFolder {
 public:
  explicit RunFolder(JournalState& state) : state_(state) {
    for (std::size_t i = 0; i < state_.runs.size(); ++i) index_.emplace(state_.runs[i].id, i);
  }
  // False for fields the journal never holds (a damaged line).
  bool Apply(const JournalEntry& fields, std::uint64_t offset) {
    auto decoded = DecodeEntry(fields);
    if (!decoded) return false;
    auto [at, added] = index_.try_emplace(decoded->first, state_.runs.size());
    if (added) state_.runs.emplace_back().id = decoded->first, state_.runs.back().firstOffset = offset;
    JournalRun& run = state_.runs[at->second];
    run.lastOffset = offset;
    std::visit([&run](const auto& entry) { Fold(run, entry); }, decoded->second);
    return true;
  }

 private:
  static void Fold(JournalRun& run, const JournalStart& s) {
    run.started = s.time, run.tableDirectory = s.tableDirectory, run.kind = s.kind;
    run.file = s.file, run.size = s.size, run.sha256 = s.sha256;
  }
  static void Fold(JournalRun& run, const JournalEnd& e) { run.end = e.end, run.line = e.firstLineNotImported; }
  static void Fold(JournalRun& run, const JournalUndo& u) { run.undone = u.time; }
  static void Fold(JournalRun& run, const JournalRow& r) {
    auto [last, first] = run.lastSaved.try_emplace(r.table, r.recordNumber);
    if (first || last->second != r.recordNumber) ++run.rows[r.table];
    last->second = r.recordNumber;
  }

  JournalState& state_;
  std::unordered_map<std::string, std::size_t> index_;
};

// The rows of one run in saved order; a number saved again takes the place
// of its earlier line.
class RowCollector {
 public:
  explicit RowCollector(const std::string& runId) : runId_(runId) {}
  void Add(const JournalEntry& fields) {
    auto decoded = DecodeEntry(fields);
    if (!decoded || decoded->first != runId_ || !std::holds_alternative<JournalRow>(decoded->second)) return;
    JournalRow& row = std::get<JournalRow>(decoded->second);
    auto [last, first] = last_.try_emplace(row.table, row.recordNumber, rows.size());
    if (!first && last->second.first == row.recordNumber) {
      rows[last->second.second] = std::move(row);
      return;
    }
    last->second = {row.recordNumber, rows.size()};
    rows.push_back(std::move(row));
  }
  std::vector<JournalRow> rows;

 private:
  const std::string& runId_;
  std::map<std::string, std::pair<std::uint32_t, std::size_t>> last_;  // number and place of each table's last row
};

}  // namespace

std::vector<JournalRow> RowsOfRun(const JournalFile& journal, const JournalRun& run) {
  // Between its first and last lines, when they are where the index said.
  RowCollector collector(run.id);
  bool found = true;
  journal.ReadLines({run.firstOffset, 0}, run.lastOffset, [&](JournalEntry* entry, JournalPosition at) {
    found = found && (at.offset != run.firstOffset || (entry && (*entry)[0] == run.id));
    if (found && entry) collector.Add(*entry);
    return found;
  });
  if (found && static_cast<int>(collector.rows.size()) == run.Rows()) return std::move(collector.rows);
  RowCollector whole(run.id);
  journal.ReadLines({}, kMaxJournalBytes, [&](JournalEntry* entry, JournalPosition) {
    if (entry) whole.Add(*entry);
    return true;
  });
  return std::move(whole.rows);
}

std::string CanonicalDirectory(const std::string& directory) {
  const std::string real = dbf::os::RealPath(directory);
  return real.empty() ? directory : real;
}

std::string RecordHash(std::span<const std::uint8_t> record) {
  const std::span<const std::uint8_t> body = record.empty() ? record : record.subspan(1);
  return Sha256Hex({reinterpret_cast<const char*>(body.data()), body.size()}).substr(0, 16);
}

JournalContents ReadJournal(const JournalFile& journal) {
  std::optional<JournalState> indexed = LoadJournalIndex(journal);
  JournalState state = indexed ? std::move(*indexed) : JournalState{};
  const JournalPosition start = state.end;
  RunFolder folder(state);
  // The last line read is applied last: the index stops before it, as it
  // may still have been being written.
  JournalEntry held;
  std::optional<JournalPosition> heldAt;
  bool heldSound = false;
  auto applyHeld = [&] {
    if (heldAt && !(heldSound && folder.Apply(held, heldAt->offset))) state.damaged.push_back(heldAt->line);
  };
  journal.ReadLines(start, kMaxJournalBytes, [&](JournalEntry* entry, JournalPosition at) {
    applyHeld();
    heldSound = entry != nullptr;
    if (entry) held.swap(*entry);
    heldAt = at;
    return true;
  });
  if (heldAt && (!indexed || heldAt->offset - start.offset >= kRenewIndexAfterBytes)) {
    state.end = *heldAt;
    SaveJournalIndex(journal, state);
  }
  applyHeld();

  JournalContents contents;
  for (long line : state.damaged) contents.warnings.push_back(journal.DamagedLineWarning(line));
  // A run writes its end line before it lets go of its lock. So a run without
  // an end line whose lock is free either was killed or ended after its lines
  // were read: the lines since tell which (read again from the last, which may
  // have been read half written; a line applied twice changes nothing).
  for (JournalPosition from = heldAt.value_or(start);;) {
    bool unsure = false;
    for (JournalRun& run : state.runs) {
      run.running = !run.end && journal.RunLocked(run.id);
      unsure = unsure || (!run.end && !run.running);
    }
    if (!unsure) break;
    const auto apply = [&](JournalEntry* entry, JournalPosition at) {
      if (entry) folder.Apply(*entry, at.offset);
      return true;
    };
    const JournalPosition reached = journal.ReadLines(from, kMaxJournalBytes, apply);
    if (reached.offset <= from.offset) break;  // no line since: those runs were killed
    from = reached;
  }
  contents.runs = std::move(state.runs);
  return contents;
}

std::vector<std::string> TablesOfUnendedRuns(const JournalContents& journal, const std::string& tableDirectory) {
  std::map<std::string, bool> unended;  // by table: whether the last run that wrote it did not end
  for (const JournalRun& run : journal.runs)
    if (run.tableDirectory == tableDirectory)
      for (const auto& [table, rows] : run.rows) unended[table] = !run.end && run.undone.empty() && !run.running;
  std::vector<std::string> tables;
  for (const auto& [table, open] : unended)
    if (open) tables.push_back(table);
  return tables;
}

std::vector<JournalRun> RunsOfTableDirectory(const JournalContents& journal, const std::string& tableDirectory) {
  std::vector<JournalRun> runs;
  for (auto run = journal.runs.rbegin(); run != journal.runs.rend(); ++run)
    if (run->tableDirectory == tableDirectory) runs.push_back(*run);
  return runs;
}

std::string RunOutcomeText(const JournalRun& run) {
  if (!run.end) return run.running ? "진행 중" : "끝나지 않음";
  const std::string word = RunEndText(*run.end);
  return *run.end == RunEnd::kCompleted ? word : word + " (" + std::to_string(run.line) + "번째 줄)";
}

std::optional<JournalRun> FindEarlierRun(const JournalContents& journal, const std::string& tableDirectory,
                                         ImportKind kind, const std::string& sha256) {
  for (auto run = journal.runs.rbegin(); run != journal.runs.rend(); ++run)
    if (((run->end == RunEnd::kCompleted && run->undone.empty()) || run->running) && run->kind == kind &&
        run->sha256 == sha256 && run->tableDirectory == tableDirectory)
      return *run;
  return std::nullopt;
}

namespace {

std::string EarlierImportText(const JournalRun& earlier) {
  if (earlier.running) return "같은 파일의 가져오기가 아직 진행 중입니다 (" + earlier.started.substr(0, 16) + "에 시작).";
  return "이미 가져온 파일입니다 (" + earlier.started.substr(0, 16) + ", " + std::to_string(earlier.Rows()) + "행).";
}

}  // namespace

std::string AlreadyImportedQuestion(const JournalRun& earlier) {
  return EarlierImportText(earlier) + " 다시 가져오시겠습니까?";
}

std::string ImportedMeanwhileMessage(const JournalRun& earlier) {
  return EarlierImportText(earlier) + " 이 파일은 가져오지 않았습니다. 가져오려면 다시 실행하십시오.";
}

}  // namespace ModMain
