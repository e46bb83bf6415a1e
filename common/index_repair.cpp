#include "common/index_repair.h"

#include <exception>

#include "common/messages.h"

namespace ModMain {

std::vector<std::string> RepairAfterUnendedRuns(const JournalContents& journal, dbf::Connection& connection) {
  std::vector<std::string> messages;
  try {
    connection.RepairIndexes(TablesOfUnendedRuns(journal, CanonicalDirectory(connection.Directory())));
  } catch (const std::exception& error) {
    messages.push_back(error.what());
  }
  for (const dbf::RebuiltTag& tag : connection.TakeRebuiltTags()) messages.push_back(RebuiltTagMessage(tag));
  return messages;
}

}  // namespace ModMain
