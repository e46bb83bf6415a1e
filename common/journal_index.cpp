#include "common/journal_index.h"

#include <charconv>

#include "common/sha256.h"

namespace ModMain {
namespace {

constexpr const char* kHeader = "dbfimport-runs";
constexpr const char* kVersion = "1";
constexpr std::size_t kTailBytes = 4096;

template <typename Number>
bool Parse(const std::string& text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// What the journal held before `end`, as far as the index can tell: its last
// bytes there, which must end with the LF of the line at `end`.
std::string TailCheck(const JournalFile& journal, std::uint64_t end) {
  const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(end, kTailBytes));
  const std::string tail = journal.ReadBytes(end - size, size);
  if (tail.size() != size || (size > 0 && tail.back() != '\n')) return "";
  return Sha256Hex(tail).substr(0, 32);
}

JournalEntry RunFields(const JournalRun& run) {
  JournalEntry fields = {"run", run.id, run.started, run.tableDirectory, std::to_string(KindNumber(run.kind)), run.file,
                         std::to_string(run.size), run.sha256, run.end ? std::string(RunEndWord(*run.end)) : "",
                         std::to_string(run.line), run.undone,
                         std::to_string(run.firstOffset), std::to_string(run.lastOffset)};
  for (const auto& [table, count] : run.rows) {
    const auto last = run.lastSaved.find(table);
    fields.insert(fields.end(), {table, std::to_string(count), std::to_string(last == run.lastSaved.end() ? 0 : last->second)});
  }
  return fields;
}

bool ParseRun(const JournalEntry& f, JournalRun& run) {
  if (f.size() < 13 || (f.size() - 13) % 3 != 0) return false;
  run.id = f[1], run.started = f[2], run.tableDirectory = f[3], run.file = f[5], run.sha256 = f[7];
  run.undone = f[10];
  if (!f[8].empty()) run.end = RunEndOfWord(f[8]);
  std::int16_t kind = 0;
  bool sound = Parse(f[4], kind) && (f[8].empty() || run.end) && Parse(f[6], run.size) && Parse(f[9], run.line) &&
               Parse(f[11], run.firstOffset) && Parse(f[12], run.lastOffset);
  for (std::size_t i = 13; sound && i < f.size(); i += 3)
    sound = Parse(f[i + 1], run.rows[f[i]]) && Parse(f[i + 2], run.lastSaved[f[i]]);
  run.kind = static_cast<ImportKind>(kind);
  return sound;
}

}  // namespace

std::optional<JournalState> LoadJournalIndex(const JournalFile& journal) {
  const std::string text = journal.ReadIndex();
  JournalState state;
  JournalEntry fields;
  std::size_t at = 0;
  for (bool first = true; at < text.size(); first = false) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    if (!DecodeJournalLine(std::string_view(text).substr(at, end - at), fields)) return std::nullopt;
    at = end + 1;
    if (first) {
      if (fields.size() != 5 || fields[0] != kHeader || fields[1] != kVersion || !Parse(fields[2], state.end.offset) ||
          !Parse(fields[3], state.end.line) || fields[4].empty() || fields[4] != TailCheck(journal, state.end.offset))
        return std::nullopt;
    } else if (fields[0] == "run") {
      if (!ParseRun(fields, state.runs.emplace_back())) return std::nullopt;
    } else if (fields[0] == "damaged" && fields.size() == 2) {
      if (!Parse(fields[1], state.damaged.emplace_back())) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  if (text.empty()) return std::nullopt;
  return state;
}

void SaveJournalIndex(const JournalFile& journal, const JournalState& state) {
  const std::string check = TailCheck(journal, state.end.offset);
  if (check.empty()) return;
  std::string text = EncodeJournalLine({kHeader, kVersion, std::to_string(state.end.offset),
                                        std::to_string(state.end.line), check});
  for (const JournalRun& run : state.runs) text += "\n" + EncodeJournalLine(RunFields(run));
  for (long line : state.damaged) text += "\n" + EncodeJournalLine({"damaged", std::to_string(line)});
  journal.ReplaceIndex(text);
}

}  // namespace ModMain
