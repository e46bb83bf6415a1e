// Tables of an import run: opening them on the session's connection, the
// existence check, the close after a failure and the names of date-named
// tables.
#pragma once

#include <string>

#include "common/run_sink.h"
#include "common/session.h"

namespace ModMain {

// Opens `table` on `recordset` through the session's connection; throws
// dbf::Error, or ImportFailure naming the table directory when there is no
// connection.
void OpenTable(Session& session, dbf::Recordset& recordset, const std::string& table);
// True when the table file exists in the table directory; throws when there
// is no connection.
bool TableExists(Session& session, const std::string& table);
// Closes a table (if open); a failing close is shown, never swallowed.
void CloseReporting(RunSink& sink, dbf::Recordset* recordset);

// How a date-named table is named from the record's date text.
enum class TableNameRule {
  kMonthly,  // prefix + characters 3-4 + characters 6-7 ("2004/03/15" -> k31_0403)
  kDaily     // prefix + characters 1-2 + 4-5 + 7-8   ("24/01/15" -> so240115)
};
std::string DatedTableName(const std::string& prefix, TableNameRule rule, const std::string& dateText);

}  // namespace ModMain
