// The column list of the sample tables (samples/tables.txt, built into the
// program): which columns a table of each name pattern has, and which tables
// the sample database holds in which file format.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dbf/dbf.h"

namespace sampledb {

struct TablePattern {
  std::string pattern;  // "vdrs110", "k31_YYMM", "soYYMMDD"
  std::vector<dbf::ColumnSpec> columns;
};

struct SampleTable {
  std::string fileName;  // "K57_0403.DBF": the case is kept
  std::string format;    // "vfp" or "fox2"
};

struct SampleSchema {
  std::vector<TablePattern> patterns;
  std::vector<SampleTable> tables;
};

// Parses the schema text; throws std::runtime_error naming the line that is
// not understood.
SampleSchema ParseSampleSchema(std::string_view text);

// The pattern a table name (without extension) belongs to, case-insensitive,
// YYMM and YYMMDD standing for that many digits; nullptr when none.
const TablePattern* FindPattern(const SampleSchema& schema, std::string_view tableName);

// The schema built into the program.
const SampleSchema& BuiltInSampleSchema();

}  // namespace sampledb
