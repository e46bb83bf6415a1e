// The rows of the append benchmarks: 20 columns (about 300 bytes), filled as
// an import fills them.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "dbf/dbf.h"

namespace {

constexpr int kRows = 32767;

// 8 C, 5 N, 2 D, 2 I, 2 B, 1 L: 20 columns, a 300-byte record.
std::vector<dbf::ColumnSpec> BenchColumns() {
  return {
      {"CODE", 'C', 10},      {"NAME", 'C', 40},     {"ADDR1", 'C', 50},   {"ADDR2", 'C', 40},
      {"PHONE", 'C', 14},     {"OWNER", 'C', 20},    {"ITEM", 'C', 20},    {"MEMO", 'C', 13},
      {"QTY", 'N', 10, 2},    {"PRICE", 'N', 12, 0}, {"AMOUNT", 'N', 14, 0},
      {"TAX", 'N', 12, 0},    {"RATE", 'N', 6, 3},   {"SDATE", 'D', 8},    {"EDATE", 'D', 8},
      {"SEQ", 'I', 4},        {"CARNO", 'I', 4},     {"WEIGHT", 'B', 8},   {"DIST", 'B', 8},
      {"PAID", 'L', 1},
  };
}

void FillRow(dbf::Recordset& rs, int i) {
  char code[16];
  std::snprintf(code, sizeof code, "%06d", i);
  rs.SetValue("CODE", std::string(code));
  rs.SetValue("NAME", std::string("\xB0\xA1\xB3\xAA \xB0\xC7\xBC\xB3 ") + code);  // 가나 건설
  rs.SetValue("ADDR1", std::string("\xBC\xAD\xBF\xEF\xBD\xC3 \xB0\xAD\xB3\xB2\xB1\xB8 1-23"));
  rs.SetValue("ADDR2", std::string("building 4, floor 5"));
  rs.SetValue("PHONE", std::string("02-555-0199"));
  rs.SetValue("OWNER", std::string("\xC8\xAB\xB1\xE6\xB5\xBF"));  // 홍길동
  rs.SetValue("ITEM", std::string("25-240-15"));
  rs.SetValue("MEMO", std::string("bench"));
  rs.SetValue("QTY", 6.0 + (i % 100) / 4.0);
  rs.SetValue("PRICE", std::int32_t{61000 + i % 1000});
  rs.SetValue("AMOUNT", 366000.0 + i);
  rs.SetValue("TAX", std::int32_t{36600 + i % 7});
  rs.SetValue("RATE", 0.125);
  rs.SetValue("SDATE", dbf::DateTime{2024, 1 + i % 12, 1 + i % 28, 0});
  rs.SetValue("EDATE", std::string("2024/12/31"));
  rs.SetValue("SEQ", std::int32_t{i});
  rs.SetValue("CARNO", std::int16_t{static_cast<std::int16_t>(i % 30000)});
  rs.SetValue("WEIGHT", 24.5 + i % 10);
  rs.SetValue("DIST", 12.75);
  rs.SetValue("PAID", std::string(i % 2 ? "T" : "F"));
}

}  // namespace
