// What a run will do, shown before its first row: the first records of the
// file cut into the named fields of the kind's layout. The rows each table
// will receive and the messages the run will show are the check's
// (FileCheck). The window's preview and the command line's --preview both
// read it.
#pragma once

#include <string>
#include <vector>

#include "common/loader.h"

namespace ModMain {

struct PreviewField {
  std::string name;  // the field as a clerk knows it ("차량번호"), UTF-8
  std::string text;  // the text the run makes its value from, UTF-8
};

struct PreviewRecord {
  int line = 0;  // 1-based
  std::vector<PreviewField> fields;
};

// The first `count` records of the file (the trailer never), each cut into
// the fields its kind's layout reads from the record.
std::vector<PreviewRecord> PreviewRecords(const ExportFile& file, int count);

}  // namespace ModMain
