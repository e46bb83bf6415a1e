// Broken and hostile table files: opening them, or at the latest the first
// append, fails with an error that names the table, and the files stay
// byte-identical with no file added to or removed from the directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "dbf/dbf.h"
#include "support/raw_dbf.h"
#include "support/scratch_dir.h"
#include "support/stress_table.h"

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// A sound table of the stress layout with two rows, as the layer writes it.
std::string SoundTable(std::uint8_t version) {
  ScratchDir dir;
  const std::string path = CreateStressTable(dir.Path(), version);
  dbf::Connection connection;
  dbf::Recordset rs;
  OpenStressTable(connection, rs, dir.Path());
  AppendStressRow(rs, 1, 0);
  AppendStressRow(rs, 1, 1);
  connection.Close();
  return rawdbf::ReadBytes(path);
}

// Opens the table in `dir` and appends one row (with a memo when asked).
// Returns the error description, or "" when everything succeeded.
std::string OpenAndAppend(const std::string& dir, bool withMemo = false) {
  try {
    dbf::Connection connection;
    dbf::Recordset rs;
    OpenStressTable(connection, rs, dir);
    rs.AddNew();
    rs.SetValue("WORKER", std::int32_t{9});
    rs.SetValue("SEQ", std::int32_t{9});
    if (withMemo) rs.SetValue("NOTE", std::string("memo text of the hostile test"));
    rs.Update();
    connection.Close();
  } catch (const dbf::Error& e) {
    return e.what()[0] ? e.what() : "(empty description)";
  } catch (const std::exception& e) {
    ADD_FAILURE() << "not a dbf::Error: " << e.what();
    return "(wrong exception)";
  }
  return "";
}

void ExpectRefusedUntouched(const ScratchDir& dir, const std::string& what, bool withMemo = false) {
  SCOPED_TRACE(what);
  std::map<std::string, std::string> before;
  for (const std::string& name : dir.Listing()) before[name] = rawdbf::ReadBytes(dir.File(name));
  const std::string error = OpenAndAppend(dir.Path(), withMemo);
  EXPECT_NE(error, "") << "the broken table was accepted and appended to";
  EXPECT_NE(Lower(error).find(kStressTable), std::string::npos)
      << "error does not name the table: " << error;
  std::map<std::string, std::string> after;
  for (const std::string& name : dir.Listing()) after[name] = rawdbf::ReadBytes(dir.File(name));
  EXPECT_TRUE(before == after) << "a file was changed, added or removed";
}

struct Damage {
  std::string what;
  std::function<void(std::string&, const rawdbf::Layout&)> apply;
};

void RunDamages(std::uint8_t version, const std::vector<Damage>& damages) {
  const std::string sound = SoundTable(version);
  const rawdbf::Layout l = rawdbf::ParseLayout(sound);
  for (const Damage& d : damages) {
    ScratchDir dir;
    std::string bytes = sound;
    d.apply(bytes, l);
    rawdbf::WriteBytes(dir.File(std::string(kStressTable) + ".dbf"), bytes);
    ExpectRefusedUntouched(dir, d.what + " (version " + std::to_string(version) + ")");
  }
}

// The same damage to a dBASE III and to a Visual FoxPro table (which has the
// 263-byte backlink after the descriptors).
void RunDamagesOnBothKinds(const std::vector<Damage>& damages) {
  RunDamages(0x03, damages);
  RunDamages(0x30, damages);
}

TEST(HostileHeaders, TruncatedFilesAreRefused) {
  RunDamagesOnBothKinds({
      {"empty file", [](std::string& b, const rawdbf::Layout&) { b.clear(); }},
      {"31 bytes", [](std::string& b, const rawdbf::Layout&) { b.resize(31); }},
      {"cut inside the descriptors", [](std::string& b, const rawdbf::Layout&) { b.resize(72); }},
      {"cut before the header ends",
       [](std::string& b, const rawdbf::Layout& l) { b.resize(l.headerLength - 1); }},
      {"cut inside the counted records",
       [](std::string& b, const rawdbf::Layout& l) {
         b.resize(l.headerLength + l.recordLength + l.recordLength / 2);
       }},
  });
}

TEST(HostileHeaders, WrongHeaderLengthsAreRefused) {
  RunDamagesOnBothKinds({
      {"header length 0", [](std::string& b, const rawdbf::Layout&) { rawdbf::PutLe16(b, 8, 0); }},
      {"header length 32", [](std::string& b, const rawdbf::Layout&) { rawdbf::PutLe16(b, 8, 32); }},
      {"header length below the descriptor list",
       [](std::string& b, const rawdbf::Layout&) { rawdbf::PutLe16(b, 8, 65); }},
      {"header length 65535",
       [](std::string& b, const rawdbf::Layout&) { rawdbf::PutLe16(b, 8, 0xFFFF); }},
  });
}

TEST(HostileHeaders, DescriptorsThatDoNotAddUpAreRefused) {
  RunDamages(0x03, {
      {"record length one short",
       [](std::string& b, const rawdbf::Layout& l) { rawdbf::PutLe16(b, 10, l.recordLength - 1); }},
      {"record length 0", [](std::string& b, const rawdbf::Layout&) { rawdbf::PutLe16(b, 10, 0); }},
      {"unknown field type",
       [](std::string& b, const rawdbf::Layout&) { b[32 + 32 + 11] = 'Z'; }},
      {"descriptor list without terminator running into the records",
       [](std::string& b, const rawdbf::Layout& l) {
         b[l.headerLength - 1] = 'X';
         rawdbf::PutLe16(b, 8, static_cast<std::uint16_t>(l.headerLength + 2 * l.recordLength));
       }},
  });
  // In a Visual FoxPro table a missing terminator lets the backlink's zero
  // bytes pass for descriptors.
  RunDamages(0x30, {
      {"Visual FoxPro descriptor list without terminator",
       [](std::string& b, const rawdbf::Layout& l) {
         b[32 + 32 * l.fields.size()] = ' ';
       }},
  });
}

TEST(HostileHeaders, CountsBeyondTheFileAreRefused) {
  RunDamagesOnBothKinds({
      {"count 1000 on two records",
       [](std::string& b, const rawdbf::Layout&) { rawdbf::PutLe32(b, 4, 1000); }},
      {"count 2^32-1 (offset overflow)",
       [](std::string& b, const rawdbf::Layout&) { rawdbf::PutLe32(b, 4, 0xFFFFFFFFu); }},
      {"count 2^31 (offset overflow of a signed 32-bit position)",
       [](std::string& b, const rawdbf::Layout&) { rawdbf::PutLe32(b, 4, 0x80000000u); }},
  });
}

TEST(HostileHeaders, UnknownVersionsAreRefused) {
  std::vector<Damage> damages;
  for (std::uint8_t version : {0x00, 0x02, 0x04, 0x8B, 0xFF}) {
    damages.push_back({"version " + std::to_string(version),
                       [version](std::string& b, const rawdbf::Layout&) {
                         b[0] = static_cast<char>(version);
                       }});
  }
  RunDamagesOnBothKinds(damages);
}

// A memo table whose memo file is gone: an error, never a new memo file.
TEST(HostileHeaders, MissingMemoFileIsAnErrorNotANewFile) {
  for (std::uint8_t version : {0x83, 0xF5, 0x30}) {
    ScratchDir dir;
    dbf::CreateTable(dir.File("stress.dbf"), version, 0x79,
                     {{"WORKER", 'N', 2, 0}, {"SEQ", 'N', 7, 0}, {"PAD", 'C', 120, 0},
                      {"NOTE", 'M', version == 0x30 ? 4 : 10, 0}});
    for (const std::string& name : dir.Listing())
      if (name != "stress.dbf") std::filesystem::remove(dir.File(name));
    ASSERT_EQ(dir.Listing().size(), 1u);
    ExpectRefusedUntouched(dir, "memo file missing, version " + std::to_string(version), true);
  }
}

// A .fpt whose next free block points into its own header: appending there,
// or at the first data block, would destroy the memo header or the memo of a
// row saved before.
TEST(HostileHeaders, MemoFreeBlockInsideTheMemoHeaderIsRefused) {
  ScratchDir dir;
  dbf::CreateTable(dir.File("stress.dbf"), 0xF5, 0x79,
                   {{"WORKER", 'N', 2, 0}, {"SEQ", 'N', 7, 0}, {"PAD", 'C', 120, 0},
                    {"NOTE", 'M', 10, 0}});
  ASSERT_EQ(OpenAndAppend(dir.Path(), true), "");
  std::string memoName;
  for (const std::string& name : dir.Listing())
    if (name != "stress.dbf") memoName = name;
  ASSERT_FALSE(memoName.empty());
  std::string memo = rawdbf::ReadBytes(dir.File(memoName));
  ASSERT_GT(memo.size(), 512u) << "the first memo was not written";
  memo[0] = memo[1] = memo[2] = memo[3] = 0;  // next free block 0, big-endian
  rawdbf::WriteBytes(dir.File(memoName), memo);
  ExpectRefusedUntouched(dir, "next free block 0", true);
}

}  // namespace
