#include "common/index_repair.h"

#include <exception>

#include "common/journal_runs.h"
#include "common/messages.h"

namespace ModMain {

std::vector<std::string> RepairAfterUnendedRuns(const JournalFile& journal, dbf::Connection& connection) {
  std::vector<std::string> messages;
  try {
    const JournalContents contents = ReadJournal(journal);
    const std::string directory = CanonicalDirectory(connection.Directory());
    connection.RepairIndexes(TablesOfUnendedRuns(contents, directory));
  } catch (const std::exception& error) {
    messages.push_back(error.what());
  }
  for (const dbf::RebuiltTag& tag : connection.TakeRebuiltTags()) messages.push_back(RebuiltTagMessage(tag));
  return messages;
}

}  // namespace ModMain
