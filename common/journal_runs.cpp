#include "common/journal_runs.h"

#include <charconv>
#include <cstdlib>

#include "common/sha256.h"

namespace ModMain {
namespace {

template <typename Number>
bool ParseNumber(const std::string& text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

int JournalRun::Rows() const {
  int total = 0;
  for (const auto& [table, count] : rows) total += count;
  return total;
}

std::string CanonicalDirectory(const std::string& directory) {
  char* real = ::realpath(directory.c_str(), nullptr);
  if (!real) return directory;
  std::string path(real);
  std::free(real);
  return path;
}

std::string RecordHash(std::span<const std::uint8_t> record) {
  const std::span<const std::uint8_t> body = record.empty() ? record : record.subspan(1);
  return Sha256Hex({reinterpret_cast<const char*>(body.data()), body.size()}).substr(0, 16);
}

JournalContents ReadJournal(const JournalFile& journal, const std::string& rowsOfRun) {
  JournalContents contents;
  std::map<std::string, std::size_t> runIndex;
  // The last number each run saved in each table: a number saved again is its retry.
  std::map<std::pair<std::size_t, std::string>, std::uint32_t> lastSaved;
  std::map<std::string, std::size_t> lastRowOfTable;  // of run rowsOfRun: index in contents.rows
  contents.warnings = journal.Read([&](const JournalEntry& e) {
    const std::string& type = e[1];
    const bool known = type == "start" ? e.size() == 8 : e.size() == 5 && (type == "end" || type == "undo" || type == "row");
    if (!known) return false;
    auto [at, added] = runIndex.try_emplace(e[0], contents.runs.size());
    if (added) contents.runs.emplace_back().id = e[0];
    JournalRun& run = contents.runs[at->second];
    if (type == "start") {
      run.started = e[2], run.tableDirectory = e[3], run.file = e[5], run.sha256 = e[7];
      return ParseNumber(e[4], run.kind) && ParseNumber(e[6], run.size);
    }
    if (type == "end") {
      run.outcome = e[3];
      return ParseNumber(e[4], run.line);
    }
    if (type == "undo") {
      run.undone = e[2];
      return true;
    }
    JournalRow row{e[2], 0, e[4]};
    if (!ParseNumber(e[3], row.recordNumber)) return false;
    auto [last, first] = lastSaved.try_emplace({at->second, row.table}, row.recordNumber);
    const bool again = !first && last->second == row.recordNumber;
    last->second = row.recordNumber;
    if (!again) ++run.rows[row.table];
    if (e[0] != rowsOfRun) return true;
    if (again) {
      contents.rows[lastRowOfTable[row.table]] = std::move(row);
    } else {
      lastRowOfTable[row.table] = contents.rows.size();
      contents.rows.push_back(std::move(row));
    }
    return true;
  });
  return contents;
}

std::vector<std::string> TablesOfUnendedRuns(const JournalContents& journal, const std::string& tableDirectory) {
  std::map<std::string, bool> unended;  // by table: whether the last run that wrote it did not end
  for (const JournalRun& run : journal.runs)
    if (run.tableDirectory == tableDirectory)
      for (const auto& [table, rows] : run.rows) unended[table] = run.outcome.empty() && run.undone.empty();
  std::vector<std::string> tables;
  for (const auto& [table, open] : unended)
    if (open) tables.push_back(table);
  return tables;
}

std::optional<JournalRun> FindEarlierRun(const JournalContents& journal, const std::string& tableDirectory,
                                         int kind, const std::string& sha256) {
  for (auto run = journal.runs.rbegin(); run != journal.runs.rend(); ++run)
    if (run->outcome == "completed" && run->undone.empty() && run->kind == kind && run->sha256 == sha256 &&
        run->tableDirectory == tableDirectory)
      return *run;
  return std::nullopt;
}

std::string AlreadyImportedQuestion(const JournalRun& earlier) {
  return "이미 가져온 파일입니다 (" + earlier.started.substr(0, 16) + ", " + std::to_string(earlier.Rows()) +
         "행). 다시 가져오시겠습니까?";
}

}  // namespace ModMain
