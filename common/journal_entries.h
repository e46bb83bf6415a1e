// What the run journal's lines say, as values: a run's start, each row it
// saved, its end, an undo of it. EncodeEntry is the only writer of their
// field order and DecodeEntry the only reader; journal_file.h makes the
// fields a line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "common/import_kind.h"
#include "common/journal_file.h"
#include "common/run_end.h"

namespace ModMain {

struct JournalStart {
  std::string time;            // local time, "YYYY-MM-DD HH:MM:SS"
  std::string tableDirectory;  // real path
  ImportKind kind = kUnknownKind;
  std::string file;  // path bytes as loaded
  std::uint64_t size = 0;
  std::string sha256;
};

// A row a run saved, written before the row's bytes reach the table.
struct JournalRow {
  std::string table;
  std::uint32_t recordNumber = 0;
  std::string hash;  // RecordHash of the row's bytes
};

struct JournalEnd {
  std::string time;
  RunEnd end = RunEnd::kCompleted;
  int firstLineNotImported = 0;  // 0 after a completed run
};

struct JournalUndo {
  std::string time;
  int deleted = 0;
  int kept = 0;
};

using RunEntry = std::variant<JournalStart, JournalRow, JournalEnd, JournalUndo>;

// The fields of one line: run id, type ("start", "row", "end", "undo"), values.
JournalEntry EncodeEntry(const std::string& runId, const RunEntry& entry);
// The run id and entry of a line's fields; none for fields no writer makes.
std::optional<std::pair<std::string, RunEntry>> DecodeEntry(const JournalEntry& fields);

}  // namespace ModMain
