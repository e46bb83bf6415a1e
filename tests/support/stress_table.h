// The table the stress tests append to: every row says which writer saved it
// and in which order, and carries a pattern derived from both, so a lost,
// doubled or torn row shows.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "dbf/dbf.h"

inline constexpr const char* kStressTable = "stress";

// With `withMemo` the table also has a memo column NOTE (version 0x83, 0xF5
// or 0x30-0x32).
// With `wide` eight blank C(254) columns make records of about 2 200 bytes,
// so that most records straddle a page boundary of the file.
inline std::string CreateStressTable(const std::string& dir, std::uint8_t version = 0x03,
                                     bool withMemo = false, bool wide = false) {
  const std::string path = dir + "/" + kStressTable + ".dbf";
  std::vector<dbf::ColumnSpec> columns = {
      {"WORKER", 'N', 2, 0}, {"SEQ", 'N', 7, 0}, {"PAD", 'C', 120, 0}};
  const bool vfp = version >= 0x30 && version <= 0x32;
  if (withMemo) columns.push_back({"NOTE", 'M', vfp ? 4 : 10, 0});
  for (int i = 1; wide && i <= 8; ++i) columns.push_back({"FILL" + std::to_string(i), 'C', 254, 0});
  dbf::CreateTable(path, version, 0x79, columns);
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

// Memo texts of 1 to 7 patterns, so memos span one or several blocks.
inline std::string MemoFor(int worker, int seq) {
  std::string memo;
  for (int i = 0; i <= seq % 7; ++i) memo += PadFor(worker, seq);
  return memo;
}

inline void AppendStressRow(dbf::Recordset& rs, int worker, int seq, bool withMemo = false) {
  rs.AddNew();
  rs.SetValue("WORKER", std::int32_t{worker});
  rs.SetValue("SEQ", std::int32_t{seq});
  rs.SetValue("PAD", PadFor(worker, seq));
  if (withMemo) rs.SetValue("NOTE", MemoFor(worker, seq));
  rs.Update();
}

inline void OpenStressTable(dbf::Connection& connection, dbf::Recordset& rs,
                            const std::string& dir) {
  connection.Open(dir);
  rs.Open(kStressTable, connection);
}
