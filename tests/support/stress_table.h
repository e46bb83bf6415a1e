// The table the stress tests append to: every row says which writer saved it
// and in which order, and carries a pattern derived from both, so a lost,
// doubled or torn row shows.
#pragma once

#include <cstdio>
#include <string>

#include "dbf/dbf.h"

inline constexpr const char* kStressTable = "stress";

inline std::string CreateStressTable(const std::string& dir, std::uint8_t version = 0x03) {
  const std::string path = dir + "/" + kStressTable + ".dbf";
  dbf::CreateTable(path, version, 0x79,
                   {{"WORKER", 'N', 2, 0}, {"SEQ", 'N', 7, 0}, {"PAD", 'C', 120, 0}});
  return path;
}

inline std::string PadFor(int worker, int seq) {
  char unit[16];
  std::snprintf(unit, sizeof unit, "w%d.s%07d|", worker, seq);
  std::string pad;
  while (pad.size() < 120) pad += unit;
  pad.resize(120);
  return pad;
}

inline void AppendStressRow(dbf::Recordset& rs, int worker, int seq) {
  rs.AddNew();
  rs.SetValue("WORKER", std::int32_t{worker});
  rs.SetValue("SEQ", std::int32_t{seq});
  rs.SetValue("PAD", PadFor(worker, seq));
  rs.Update();
}

inline void OpenStressTable(dbf::Connection& connection, dbf::Recordset& rs,
                            const std::string& dir) {
  connection.OpenDirectory(dir);
  rs.Open(kStressTable, connection, dbf::kCursorKeyset, dbf::kLockOptimistic, dbf::kCommandTable);
}
