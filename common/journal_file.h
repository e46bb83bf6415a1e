// The run journal's file: append-only, shared by every clerk whose program
// names the same folder. Each entry is one line written with one write() on
// an O_APPEND descriptor, so whole lines of several programs never mix:
//
//   LF <CRC-32 of the rest, 8 hex digits> TAB <run id> TAB <type> TAB <value>...
//
// with backslash, tab, LF and CR in a field written as \\ \t \n \r. The line
// break comes first, so a line cut short (a full disk) never swallows the
// next one; a reader skips a cut or damaged line, with a warning.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ModMain {

// The fields of one entry: run id, type ("start", "row", "end", "undo"), values.
using JournalEntry = std::vector<std::string>;

// $XDG_STATE_HOME/dbfimport when XDG_STATE_HOME is an absolute path, else
// $HOME/.local/state/dbfimport. Throws std::runtime_error when neither is set.
std::string DefaultJournalDirectory();

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
  // line could not be written.
  void Append(const JournalEntry& entry);
  // fdatasync of what this program appended.
  void Sync();
  // Every sound line in order; `visit` returns false for an entry it does
  // not understand. Returns a warning for each line skipped. A journal that
  // does not exist yet is empty.
  std::vector<std::string> Read(const std::function<bool(const JournalEntry&)>& visit) const;

 private:
  std::string directory_;
  std::string path_;
  bool createDirectory_;
  int fd_ = -1;  // opened by the first Append
};

}  // namespace ModMain
