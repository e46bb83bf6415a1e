#include "common/journal_entries.h"

#include <charconv>

namespace ModMain {
namespace {

template <typename Number>
bool Parse(const std::string& text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseKind(const std::string& text, ImportKind& kind) {
  std::int16_t number = 0;
  if (!Parse(text, number)) return false;
  kind = static_cast<ImportKind>(number);
  return true;
}

template <typename... Values>
JournalEntry Line(const std::string& runId, const char* type, Values&&... values) {
  return {runId, type, std::forward<Values>(values)...};
}

}  // namespace

JournalEntry EncodeEntry(const std::string& runId, const RunEntry& entry) {
  if (auto* s = std::get_if<JournalStart>(&entry))
    return Line(runId, "start", s->time, s->tableDirectory, std::to_string(KindNumber(s->kind)), s->file,
                  std::to_string(s->size), s->sha256);
  if (auto* r = std::get_if<JournalRow>(&entry))
    return Line(runId, "row", r->table, std::to_string(r->recordNumber), r->hash);
  if (auto* e = std::get_if<JournalEnd>(&entry))
    return Line(runId, "end", e->time, std::string(RunEndWord(e->end)), std::to_string(e->firstLineNotImported));
  const auto& u = std::get<JournalUndo>(entry);
  return Line(runId, "undo", u.time, std::to_string(u.deleted), std::to_string(u.kept));
}

std::optional<std::pair<std::string, RunEntry>> DecodeEntry(const JournalEntry& f) {
  const std::string type = f.size() >= 2 ? f[1] : "";
  if (type == "start" && f.size() == 8) {
    JournalStart s{f[2], f[3], kUnknownKind, f[5], 0, f[7]};
    if (ParseKind(f[4], s.kind) && Parse(f[6], s.size)) return std::pair{f[0], RunEntry(std::move(s))};
  } else if (f.size() != 5) {
    return std::nullopt;
  } else if (type == "row") {
    JournalRow r{f[2], 0, f[4]};
    if (Parse(f[3], r.recordNumber)) return std::pair{f[0], RunEntry(std::move(r))};
  } else if (type == "end") {
    const std::optional<RunEnd> end = RunEndOfWord(f[3]);
    JournalEnd e{f[2], end.value_or(RunEnd::kFailed), 0};
    if (end && Parse(f[4], e.firstLineNotImported)) return std::pair{f[0], RunEntry(std::move(e))};
  } else if (type == "undo") {
    JournalUndo u{f[2], 0, 0};
    if (Parse(f[3], u.deleted) && Parse(f[4], u.kept)) return std::pair{f[0], RunEntry(std::move(u))};
  }
  return std::nullopt;
}

}  // namespace ModMain
