// The check of export files before their first row is written: each file is
// run through its kind's own import against the real tables, in the check's
// session (Session::ForCheck), whose saves are checked and never written.
// One check session carries the run state (code map, held customer codes)
// from file to file as the runs would.
#pragma once

#include <string>

#include "common/file_check.h"
#include "common/loader.h"
#include "common/session.h"

namespace ModMain {

// What the check says of a file most of whose records have another length
// than the kind's, naming the kinds whose records have that length; each
// front end adds what the clerk can do.
std::string RecordLengthFinding(ImportKind kind, const FileCheck& check);

// Checks one loaded file of its kind. With a view: shows the phase "검사"
// and its progress over the records, and stops when the view asks (the
// check then ends at that record and finds no more).
FileCheck CheckFile(Session& check, const ExportFile& file, ImportView* view = nullptr);

}  // namespace ModMain
