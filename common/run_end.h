// How an import run ended: the one word the journal stores, the command
// line's exit status and the window's phase label are made from.
#pragma once

#include <optional>
#include <string_view>

namespace ModMain {

enum class RunEnd {
  kCompleted,  // every record visited
  kStopped,    // the clerk stopped it (or declined a question before it)
  kRefused,    // a value or a table refused, or the journal refused the file
  kFailed      // anything else: a load, a write, the journal
};

// "completed", "stopped", "refused", "failed": the word in the journal's end line.
std::string_view RunEndWord(RunEnd end);
// The end a word names; none for any other word.
std::optional<RunEnd> RunEndOfWord(std::string_view word);

}  // namespace ModMain
