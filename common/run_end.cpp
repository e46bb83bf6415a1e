#include "common/run_end.h"

namespace ModMain {
namespace {

constexpr std::string_view kWords[] = {"completed", "stopped", "refused", "failed"};

}  // namespace

std::string_view RunEndWord(RunEnd end) { return kWords[static_cast<int>(end)]; }

std::optional<RunEnd> RunEndOfWord(std::string_view word) {
  for (int i = 0; i < 4; ++i)
    if (kWords[i] == word) return static_cast<RunEnd>(i);
  return std::nullopt;
}

}  // namespace ModMain
