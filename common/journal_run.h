// One import run as the journal's lines tell of it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "common/journal_entries.h"

namespace ModMain {

struct JournalRun {
  std::string id;
  std::string started;         // local time, "YYYY-MM-DD HH:MM:SS"
  std::string tableDirectory;  // real path; "" when the start line was lost
  ImportKind kind = kUnknownKind;
  std::string file;            // path bytes as loaded
  std::uint64_t size = 0;
  std::string sha256;
  std::map<std::string, int> rows;  // rows saved, by table
  std::optional<RunEnd> end;   // none without an end line (killed, or still going)
  int line = 0;                // the first line not imported, when it ended early
  std::string undone;          // time of the last undo, "" when never undone
  std::uint64_t firstOffset = 0, lastOffset = 0;   // where its first and last lines begin in the journal
  std::map<std::string, std::uint32_t> lastSaved;  // the last number saved in each table: the same again is a retry
  bool running = false;        // no end line, and its program still holds its run lock
  int Rows() const {
    int total = 0;
    for (const auto& [table, count] : rows) total += count;
    return total;
  }
};

}  // namespace ModMain
