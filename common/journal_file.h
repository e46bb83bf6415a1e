// The run journal's file: append-only, shared by every clerk whose program
// names the same folder. Each entry is one line written with one write() on
// an O_APPEND descriptor, so whole lines of several programs never mix:
//
//   LF <CRC-32 of the rest, 8 hex digits> TAB <run id> TAB <type> TAB <value>...
//
// with backslash, tab, LF and CR in a field written as \\ \t \n \r. The line
// break comes first, so a line cut short (a full disk) never swallows the
// next one; a reader skips a cut or damaged line, with a warning.
//
// The journal is opened only as a regular file, never through a symbolic
// link, and only when it is the user's own or its folder is writable by no
// one outside the folder's owner and group (anyone could have put it there).
// Its locks (journal_locks.cpp) are bytes far past its end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/os/file.h"

namespace ModMain {

// The fields of one entry: run id, type ("start", "row", "end", "undo"), values.
using JournalEntry = std::vector<std::string>;

// A line longer than this is damaged: no entry is ever near it.
inline constexpr std::size_t kMaxJournalLineBytes = 64 * 1024;
// A journal larger than this is not read: about 25 years at 5 000 rows a day.
inline constexpr std::uint64_t kMaxJournalBytes = std::uint64_t{2} << 30;

// Where a line's text begins (just after its leading LF) and its number (1
// for the bytes before the first LF, as a text editor counts).
struct JournalPosition {
  std::uint64_t offset = 0;
  long line = 1;
};

// $XDG_STATE_HOME/dbfimport when XDG_STATE_HOME is an absolute path, else
// $HOME/.local/state/dbfimport; on Windows %LOCALAPPDATA%\dbfimport
// (journal_home_*.cpp). Throws std::runtime_error when there is none.
std::string DefaultJournalDirectory();

// One entry as a line's text (no LF) and back; false for a line whose
// checksum or escapes are not as the writer makes them.
std::string EncodeJournalLine(const JournalEntry& entry);
bool DecodeJournalLine(std::string_view line, JournalEntry& entry);

class JournalFile {
 public:
  // The journal `journal.log` in `directory`, which the first Append creates
  // (with its parents) when `createDirectory`; else it must exist, so that a
  // mistyped shared folder is not silently a new, empty journal.
  JournalFile(std::string directory, bool createDirectory);
  ~JournalFile();
  JournalFile(const JournalFile&) = delete;
  JournalFile& operator=(const JournalFile&) = delete;

  const std::string& Path() const { return path_; }
  // One line, one write(). Throws std::runtime_error (Korean) when the whole
  // line could not be written, or the journal is not one to trust.
  void Append(const JournalEntry& entry);
  // Several lines, one write(): the rows of a batch, before its records.
  void Append(const std::vector<JournalEntry>& entries);
  // fdatasync of what this program appended.
  void Sync();
  // Every sound line in order; `visit` returns false for an entry it does
  // not understand. Returns a warning for each line skipped. A journal that
  // does not exist yet is empty.
  std::vector<std::string> Read(const std::function<bool(const JournalEntry&)>& visit) const;

  // A line read: its entry (null when its checksum, escapes or length are
  // damaged) and where it begins. Returns false to stop.
  using LineVisit = std::function<bool(JournalEntry* entry, JournalPosition at)>;
  // The lines beginning at `from` up to those beginning at `last`; returns
  // where the reading ended (the end of the journal, or the line after
  // `last`). Throws (Korean) for a journal not to trust or over the size bound.
  JournalPosition ReadLines(JournalPosition from, std::uint64_t last, const LineVisit& visit) const;
  // The journal's bytes at `offset`, fewer at its end; "" when it is missing.
  std::string ReadBytes(std::uint64_t offset, std::size_t size) const;
  // "작업 기록 <path>의 N번째 줄이 손상되어 건너뛰었습니다."
  std::string DamagedLineWarning(long line) const;

  // The index of runs beside the journal (journal.idx): its text, "" when it
  // is missing or not one to trust; replaced whole, and not at all when the
  // folder cannot be written (the index is only a shortcut).
  std::string ReadIndex() const;
  void ReplaceIndex(const std::string& text) const;

  // The journal-wide guard: one program at a time judges the re-import
  // guard and writes a run's start line. Waits for another program up to
  // half a minute, then throws (Korean).
  void LockGuard();
  void UnlockGuard();
  // A run's lock, held from its start line to its end line. LockRun throws
  // (Korean) when the lock cannot be taken.
  void LockRun(const std::string& runId);
  void UnlockRun(const std::string& runId);
  // True while a program (this one included) holds the run's lock: the run
  // is going on; a run without an end line whose lock is free was killed.
  bool RunLocked(const std::string& runId) const;

 private:
  void OpenForAppend();

  std::string directory_;
  std::string path_;
  bool createDirectory_;
  dbf::os::File file_;  // opened by the first Append or lock
};

// Holds the journal's guard for a scope.
class JournalGuard {
 public:
  explicit JournalGuard(JournalFile& journal) : journal_(journal) { journal_.LockGuard(); }
  ~JournalGuard() { journal_.UnlockGuard(); }
  JournalGuard(const JournalGuard&) = delete;
  JournalGuard& operator=(const JournalGuard&) = delete;

 private:
  JournalFile& journal_;
};

}  // namespace ModMain
