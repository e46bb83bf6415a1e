// Damaged and hostile tables: opening one, or at the latest appending to it,
// fails with a message naming the table, and every file of the directory stays
// byte for byte as it was, none added or removed. Then the file-name rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "dbf/dbf.h"
#include "support/test_support.h"

namespace {

std::map<std::string, std::string> Snapshot(const TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const std::string& name : dir.Listing()) files[name] = ReadBytes(dir.File(name));
  return files;
}

// A sound table with a memo column, of dBASE III or Visual FoxPro; returns
// the memo file's path.
std::string MakeTable(const TempDir& dir, std::uint8_t version) {
  const bool vfp = version == 0x30;
  dbf::CreateTable(dir.File("hostile.dbf"), version, 0x79,
                   vfp ? std::vector<dbf::ColumnSpec>{{"NAME", 'C', 10}, {"NUM", 'I'}, {"NOTE", 'M'}}
                       : std::vector<dbf::ColumnSpec>{{"NAME", 'C', 10}, {"NOTE", 'M'}});
  return dir.File(vfp ? "hostile.fpt" : "hostile.dbt");
}

// Opens the table and appends rows with memos.
void Append(const std::string& dir, const std::vector<std::string>& names, const std::function<void()>& opened) {
  dbf::Connection connection;
  connection.Open(dir);
  dbf::Recordset rs;
  rs.Open("hostile", connection);
  opened();
  for (const std::string& name : names) {
    rs.AddNew();
    rs.SetValue("NAME", name);
    rs.SetValue("NOTE", "memo of " + name);
    rs.Update();
  }
}

// The damage done to a sound table of two rows (and its memo file; an empty
// memo means the file is removed), before the table is opened or after.
struct Damage {
  std::string what;
  std::function<void(std::string& table, std::string& memo, std::uint32_t headerLength,
                     std::uint32_t recordLength)> apply;
  std::string message = "";  // a further fragment the message must hold
  std::vector<std::uint8_t> versions = {0x83, 0x30};
  bool afterOpen = false;
};

using T = std::string;
const Damage kDamages[] = {
    {"empty file", [](T& t, T&, auto, auto) { t.clear(); }, "너무 짧습니다"},
    {"31 bytes", [](T& t, T&, auto, auto) { t.resize(31); }, "너무 짧습니다"},
    {"cut inside the descriptors", [](T& t, T&, auto, auto) { t.resize(72); }, "헤더 길이("},
    {"cut before the header ends", [](T& t, T&, auto hl, auto) { t.resize(hl - 1); }, "헤더 길이("},
    {"cut inside the counted records", [](T& t, T&, auto hl, auto rl) { t.resize(hl + rl + rl / 2); }, "레코드 수(2)가"},
    {"header length 0", [](T& t, T&, auto, auto) { PutLe(t, 8, 0, 2); }, "헤더 길이(0)"},
    {"header length 32", [](T& t, T&, auto, auto) { PutLe(t, 8, 32, 2); }, "헤더 길이(32)"},
    {"header length inside the descriptors", [](T& t, T&, auto, auto) { PutLe(t, 8, 65, 2); }, "0x0D"},
    {"header length 65535", [](T& t, T&, auto, auto) { PutLe(t, 8, 0xFFFF, 2); }, "헤더 길이(65535)"},
    {"record length one short", [](T& t, T&, auto, auto rl) { PutLe(t, 10, rl - 1, 2); }, "열 길이의 합("},
    {"record length one long", [](T& t, T&, auto, auto rl) { PutLe(t, 10, rl + 1, 2); }, "(22)가 삭제 표시 1바이트와 열 길이의 합(21)과", {0x83}},
    {"record length one long", [](T& t, T&, auto, auto rl) { PutLe(t, 10, rl + 1, 2); }, "(20)가 삭제 표시 1바이트와 열 길이의 합(19)과", {0x30}},
    {"record length 0", [](T& t, T&, auto, auto) { PutLe(t, 10, 0, 2); }, "레코드 길이가"},
    {"zero-length column", [](T& t, T&, auto, auto rl) { t[32 + 16] = 0, PutLe(t, 10, rl - 10, 2); }, "NAME의 길이가 0"},
    {"unknown column type", [](T& t, T&, auto, auto) { t[32 + 11] = 'Z'; }, "'Z'"},
    {"no descriptor terminator", [](T& t, T&, auto, auto) { t[t.find('\x0D', 32)] = ' '; }, "0x0D"},
    {"count 1000", [](T& t, T&, auto, auto) { PutLe(t, 4, 1000); }, "레코드 수(1000)"},
    {"count 2^32-1", [](T& t, T&, auto, auto) { PutLe(t, 4, 0xFFFFFFFF); }, "레코드 수(4294967295)"},
    {"count 2^31", [](T& t, T&, auto, auto) { PutLe(t, 4, 0x80000000); }, "레코드 수(2147483648)"},
    // More than a killed batch leaves (dbf::Connection::kMaxBatchRows records and an end mark).
    {"whole records past the count", [](T& t, T&, auto, auto rl) { PutLe(t, 4, 1), t.insert(t.size() - 1, 1000 * rl, ' '); }, "레코드 수(1)보다 파일에 있는 레코드(1002개)가 많아"},
    {"more than a batch past the end mark", [](T& t, T&, auto, auto rl) { t += std::string(1000 * rl + 1, 'x'); }, "레코드(1002개)"},
    {"count beyond the file after the open", [](T& t, T&, auto, auto) { PutLe(t, 4, 3); }, "레코드 수(3)", {0x83, 0x30}, true},
    {"memo file missing", [](T&, T& m, auto, auto) { m.clear(); }, "hostile."},
    {"memo free block inside the memo header", [](T&, T& m, auto, auto) { m.replace(0, 4, 4, '\0'); }, "다음 빈 블록(0)"},
    {"memo free block far past its end", [](T&, T& m, auto, auto) { m.replace(0, 4, "\x03\0\x3D\0", 4); }, "파일 끝"},
    {"autoincrement column",
     [](T& t, T&, auto, auto) { t[0] = 0x31, t[32 + 32 + 18] = 0x0C, t[32 + 32 + 19] = t[32 + 32 + 23] = 1; },
     "열 NUM", {0x30}},
};

TEST(TableHostile, DamagedTablesAreRefusedAndLeftAsTheyWere) {
  std::vector<Damage> damages(std::begin(kDamages), std::end(kDamages));
  for (int version : {0x00, 0x02, 0x04, 0x43, 0x8B, 0xFB, 0xFF})
    damages.push_back({"version " + std::to_string(version), [version](T& t, T&, auto, auto) { t[0] = char(version); },
                       "형식"});
  for (const Damage& d : damages) {
    for (std::uint8_t version : d.versions) {
      SCOPED_TRACE(d.what + ", version " + std::to_string(version));
      TempDir dir;
      const std::string memoPath = MakeTable(dir, version);
      std::map<std::string, std::string> before;
      auto damage = [&] {
        std::string table = ReadBytes(dir.File("hostile.dbf")), memo = ReadBytes(memoPath);
        d.apply(table, memo, Le(table, 8, 2), Le(table, 10, 2));
        WriteBytes(dir.File("hostile.dbf"), table);
        memo.empty() ? std::filesystem::remove(memoPath) : (WriteBytes(memoPath, memo), true);
        before = Snapshot(dir);
      };
      std::string error;
      try {
        Append(dir.Path(), {"one", "two"}, [] {});
        if (!d.afterOpen) damage();
        Append(dir.Path(), {"three"}, [&] { d.afterOpen ? damage() : void(); });
      } catch (const dbf::Error& e) {
        error = e.what();
      }
      EXPECT_NE(error.find("테이블 hostile"), std::string::npos) << error;
      EXPECT_NE(error.find(d.message), std::string::npos) << error;
      EXPECT_TRUE(Snapshot(dir) == before) << "a file was changed, added or removed";
    }
  }
}

// A next free block inside the used blocks (what a save killed between its
// blocks and the memo header leaves, or damage): the new memo goes after the
// last block, and no memo is overwritten.
TEST(TableHostile, MemoFreeBlockInsideUsedBlocksIsPassedOver) {
  for (std::uint8_t version : {0x83, 0x30}) {
    TempDir dir;
    const std::string memoPath = MakeTable(dir, version);
    Append(dir.Path(), {"one", "two"}, [] {});
    std::string memo = ReadBytes(memoPath);
    memo.replace(0, 4, version == 0x30 ? std::string("\0\0\0\x08", 4) : std::string("\x01\0\0\0", 4));
    WriteBytes(memoPath, memo);
    Append(dir.Path(), {"three"}, [] {});
    EXPECT_EQ(ReadBytes(memoPath).substr(4, memo.size() - 4), memo.substr(4));
    std::string memos;
    for (const Row& row : ReadRows(dir.File("hostile.dbf"))) memos += row.back() + "|";
    EXPECT_EQ(memos, "memo of one|memo of two|memo of three|");
  }
}

// Table files are found whatever the case of their names, only in the table
// directory, and only by names that cannot reach outside it. (Two names that
// differ only in case are Linux's: a Windows folder cannot hold both.)
TEST(TableFiles, NamesAreFoundWhateverTheirCase) {
#ifdef _WIN32
  constexpr bool kCaseSensitiveFolders = false;
#else
  constexpr bool kCaseSensitiveFolders = true;
#endif
  TempDir dir, elsewhere;
  std::filesystem::create_directory(dir.File("sub"));
  for (const char* name : {"K57_2401.DBF", "so0403.dbf", "SO0403.DBF", "ok.dbf", "sub/inner.dbf"})
    if (kCaseSensitiveFolders || std::string(name) != "SO0403.DBF")
    dbf::CreateTable(dir.File(name), 0x03, 0x79, {{"D31_CODE", 'C', 6}});
  dbf::CreateTable(elsewhere.File("vdrs110.dbf"), 0x03, 0, {{"A", 'C', 1}});
  const std::string ok = ReadBytes(dir.File("ok.dbf"));
  EXPECT_THROW(dbf::CreateTable(dir.File("ok.dbf"), 0x30, 0, {{"B", 'C', 2}}), dbf::Error);
  EXPECT_EQ(ReadBytes(dir.File("ok.dbf")), ok);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(elsewhere.Path());
  dbf::Connection connection, sub;
  connection.Open(dir.Path());
  sub.Open(dir.File("sub"));
  auto openError = [](dbf::Connection& c, const std::string& table) -> std::string {
    dbf::Recordset rs;
    try {
      rs.Open(table, c);
    } catch (const dbf::Error& e) {
      return e.what();
    }
    return rs.IsOpen() ? "" : "not open";
  };
  EXPECT_TRUE(connection.TableExists("k57_2401") && connection.TableExists("K57_2401"));
  EXPECT_EQ(openError(connection, "k57_2401"), "");
  EXPECT_FALSE(connection.TableExists("vdrs110"));  // in the working directory only
  EXPECT_EQ(openError(connection, "k31_0403"), "테이블 k31_0403이(가) 폴더 " + dir.Path() + "에 없습니다 (k31_0403.dbf).");
  if (kCaseSensitiveFolders) {
    EXPECT_THROW(connection.TableExists("So0403"), dbf::Error);
    const std::string twoFiles = openError(connection, "so0403");
    EXPECT_TRUE(twoFiles.find("so0403.dbf") != std::string::npos && twoFiles.find("SO0403.DBF") != std::string::npos)
        << twoFiles;
  }
  for (const char* name : {"../ok", "sub/inner", "", "inner.dbf", "in ner", "inner*", "/etc/passwd", "k31_\xB0\xA1"}) {
    EXPECT_FALSE(sub.TableExists(name)) << name;
    EXPECT_NE(openError(sub, name), "") << name;
  }
  EXPECT_TRUE(sub.TableExists("inner"));
  std::filesystem::current_path(previous);
  // Two memo files differing in case.
  if (kCaseSensitiveFolders) {
    dir.CopyFixture("fox2_cdx");
    std::filesystem::copy_file(dir.File("fox2_cdx.fpt"), dir.File("FOX2_CDX.FPT"));
    EXPECT_NE(openError(connection, "fox2_cdx").find("FOX2_CDX.FPT"), std::string::npos);
  }
  // Closing the connection closes its recordsets.
  dbf::Recordset rs;
  rs.Open("ok", connection);
  connection.Close();
  EXPECT_FALSE(rs.IsOpen());
}

}  // namespace
