// Finding table files: case-insensitive names, ambiguous names, invalid names,
// missing memo files, refused versions, and the connection string.
#include <gtest/gtest.h>

#include <filesystem>

#include "dbf/dbf.h"
#include "tests/dbf_test_support.h"

using dbftest::ReadBytes;
using dbftest::TempDir;
namespace fs = std::filesystem;

namespace {

std::string OpenError(dbf::Connection& connection, const std::string& table) {
  dbf::Recordset rs;
  try {
    rs.Open(table, connection);
  } catch (const dbf::Error& e) {
    EXPECT_FALSE(rs.IsOpen());
    return e.what();
  }
  return "";
}

std::vector<std::string> Listing(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(DbfFiles, NamesMatchWhateverTheCase) {
  TempDir dir;
  dbf::CreateTable(dir.File("K57_2401.DBF"), 0x03, 0x79, {{"D31_CODE", 'C', 6}});
  dbf::Connection connection;
  connection.Open(dir.Path());
  EXPECT_TRUE(connection.TableExists("k57_2401"));
  EXPECT_TRUE(connection.TableExists("K57_2401"));
  EXPECT_FALSE(connection.TableExists("k57_2402"));
  dbf::Recordset rs;
  rs.Open("k57_2401", connection);
  EXPECT_TRUE(rs.IsOpen());
  EXPECT_EQ(rs.ColumnName(0), "D31_CODE");
}

TEST(DbfFiles, ExistenceLooksInTheTableDirectoryNotTheWorkingDirectory) {
  TempDir tables, elsewhere;
  dbf::CreateTable(tables.File("carno.dbf"), 0x03, 0, {{"CNO", 'C', 6}});
  dbf::CreateTable(elsewhere.File("vdrs110.dbf"), 0x03, 0, {{"CNO", 'C', 6}});
  const fs::path previous = fs::current_path();
  fs::current_path(elsewhere.Path());
  dbf::Connection connection;
  connection.Open(tables.Path());
  EXPECT_TRUE(connection.TableExists("carno"));
  EXPECT_FALSE(connection.TableExists("vdrs110"));
  fs::current_path(previous);
}

TEST(DbfFiles, TwoFilesDifferingInCaseAreAnErrorNamingBoth) {
  TempDir dir;
  dbf::CreateTable(dir.File("so040301.dbf"), 0x03, 0, {{"A", 'C', 1}});
  dbf::CreateTable(dir.File("SO040301.DBF"), 0x03, 0, {{"A", 'C', 1}});
  dbf::Connection connection;
  connection.Open(dir.Path());
  std::string message;
  try {
    connection.TableExists("so040301");
  } catch (const dbf::Error& e) {
    message = e.what();
  }
  EXPECT_NE(message.find("so040301.dbf"), std::string::npos) << message;
  EXPECT_NE(message.find("SO040301.DBF"), std::string::npos) << message;
  message = OpenError(connection, "So040301");
  EXPECT_NE(message.find("so040301.dbf"), std::string::npos) << message;
}

TEST(DbfFiles, TwoMemoFilesDifferingInCaseAreAnError) {
  TempDir dir;
  dir.CopyFixture("fox2_cdx");
  fs::copy_file(dir.File("fox2_cdx.fpt"), dir.File("FOX2_CDX.FPT"));
  dbf::Connection connection;
  connection.Open(dir.Path());
  const std::string message = OpenError(connection, "fox2_cdx");
  EXPECT_NE(message.find("FOX2_CDX.FPT"), std::string::npos) << message;
}

TEST(DbfFiles, InvalidNamesNameNoTable) {
  TempDir dir;
  fs::create_directory(dir.File("sub"));
  dbf::CreateTable(dir.File("sub/inner.dbf"), 0x03, 0, {{"A", 'C', 1}});
  dbf::CreateTable(dir.File("ok.dbf"), 0x03, 0, {{"A", 'C', 1}});
  dbf::Connection connection;
  connection.Open(dir.File("sub"));
  for (const char* name : {"../ok", "sub/inner", "", "inner.dbf", "in ner", "inner*", "/etc/passwd", "k31_\xB0\xA1"}) {
    EXPECT_FALSE(connection.TableExists(name)) << name;
    const std::string message = OpenError(connection, name);
    EXPECT_NE(message, "") << name;
  }
  EXPECT_NE(OpenError(connection, "../ok").find("../ok"), std::string::npos);
  EXPECT_TRUE(connection.TableExists("inner"));
}

TEST(DbfFiles, MissingTableNamesTableAndDirectory) {
  TempDir dir;
  dbf::Connection connection;
  connection.Open(dir.Path());
  const std::string message = OpenError(connection, "k31_0403");
  EXPECT_NE(message.find("k31_0403"), std::string::npos) << message;
  EXPECT_NE(message.find(dir.Path()), std::string::npos) << message;
}

TEST(DbfFiles, MissingMemoFileIsAnErrorAndNoFileIsCreated) {
  TempDir dir;
  dir.CopyFixture("vfp_types");
  fs::remove(dir.File("vfp_types.fpt"));
  const auto before = Listing(dir.Path());
  dbf::Connection connection;
  connection.Open(dir.Path());
  const std::string message = OpenError(connection, "vfp_types");
  EXPECT_NE(message.find("vfp_types.fpt"), std::string::npos) << message;
  connection.Close();
  EXPECT_EQ(Listing(dir.Path()), before);
}

TEST(DbfFiles, UnknownVersionsAreRefusedAndTheFileIsUntouched) {
  for (unsigned char version : {0x02, 0x04, 0x8B, 0x43, 0xFB, 0x00, 0xFF}) {
    TempDir dir;
    dir.CopyFixture("db3_memo");
    auto bytes = ReadBytes(dir.File("db3_memo.dbf"));
    bytes[0] = version;
    dbftest::WriteBytes(dir.File("db3_memo.dbf"), bytes);
    dbf::Connection connection;
    connection.Open(dir.Path());
    const std::string message = OpenError(connection, "db3_memo");
    EXPECT_NE(message.find("db3_memo"), std::string::npos) << message;
    connection.Close();
    EXPECT_EQ(ReadBytes(dir.File("db3_memo.dbf")), bytes) << int(version);
  }
}

TEST(DbfFiles, CountBeyondTheFileIsRefused) {
  TempDir dir;
  dir.CopyFixture("db3_memo");
  auto bytes = ReadBytes(dir.File("db3_memo.dbf"));
  bytes[4] = 3;
  dbftest::WriteBytes(dir.File("db3_memo.dbf"), bytes);
  dbf::Connection connection;
  connection.Open(dir.Path());
  EXPECT_NE(OpenError(connection, "db3_memo"), "");
  EXPECT_EQ(ReadBytes(dir.File("db3_memo.dbf")), bytes);
}


TEST(DbfFiles, ClosingTheConnectionClosesItsRecordsets) {
  TempDir dir;
  dbf::CreateTable(dir.File("carno.dbf"), 0x03, 0, {{"CNO", 'C', 6}});
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset a, b;
  a.Open("carno", connection);
  b.Open("carno", connection);
  b.Close();
  connection.Close();
  EXPECT_FALSE(a.IsOpen());
  EXPECT_FALSE(b.IsOpen());
  EXPECT_THROW(a.Open("carno", connection), dbf::Error);
}

TEST(DbfFiles, CreateTableRefusesAnExistingFile) {
  TempDir dir;
  dbf::CreateTable(dir.File("t.dbf"), 0x30, 0x79, {{"A", 'C', 2}, {"M", 'M'}, {"N", 'N', 4, 0, true}});
  const auto bytes = ReadBytes(dir.File("t.dbf"));
  EXPECT_EQ(bytes[28], 0x02);
  EXPECT_EQ(bytes[29], 0x79);
  EXPECT_EQ(bytes[8] | (bytes[9] << 8), 32 + 4 * 32 + 1 + 263);
  EXPECT_EQ(bytes.back(), 0x1A);
  EXPECT_THROW(dbf::CreateTable(dir.File("t.dbf"), 0x30, 0, {{"A", 'C', 2}}), dbf::Error);
  EXPECT_EQ(ReadBytes(dir.File("t.dbf")), bytes);
}

}  // namespace

namespace {

TEST(DbfFiles, AutoincrementTablesAreReadButNotAppendedTo) {
  TempDir dir;
  dbf::CreateTable(dir.File("auto.dbf"), 0x30, 0x79, {{"ID", 'I'}, {"NAME", 'C', 4}});
  auto bytes = ReadBytes(dir.File("auto.dbf"));
  bytes[0] = 0x31;
  bytes[32 + 18] = 0x0C;  // ID: autoincrement
  bytes[32 + 19] = 1;     // next value 1, step 1
  bytes[32 + 23] = 1;
  dbftest::WriteBytes(dir.File("auto.dbf"), bytes);
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset rs;
  rs.Open("auto", connection);
  EXPECT_EQ(rs.ColumnType(0), 'I');
  rs.AddNew();
  rs.SetValue("NAME", std::string("x"));
  std::string message;
  try {
    rs.Update();
  } catch (const dbf::Error& e) {
    message = e.what();
  }
  EXPECT_NE(message.find("ID"), std::string::npos) << message;
  EXPECT_EQ(ReadBytes(dir.File("auto.dbf")), bytes);
}

}  // namespace

namespace {

TEST(DbfFiles, MemoFreeBlockBeyondTheFileIsRefused) {
  for (const char* stem : {"db3_memo", "vfp_types"}) {
    TempDir dir;
    dir.CopyFixture(stem);
    const bool dbt = std::string(stem) == "db3_memo";
    const std::string memoPath = dir.File(std::string(stem) + (dbt ? ".dbt" : ".fpt"));
    auto memo = ReadBytes(memoPath);
    // Next free block 0x003D0003: far past the end (a sparse 2 GB write).
    const unsigned char far[4] = {0x03, 0x00, 0x3D, 0x00};
    for (int i = 0; i < 4; ++i) memo[i] = dbt ? far[i] : far[3 - i];
    dbftest::WriteBytes(memoPath, memo);
    const auto table = ReadBytes(dir.File(std::string(stem) + ".dbf"));
    dbf::Connection connection;
    connection.Open(dir.Path());
    dbf::Recordset rs;
    rs.Open(stem, connection);
    rs.AddNew();
    rs.SetValueAt(dbt ? 1 : 7, std::string("memo"));
    std::string message;
    try {
      rs.Update();
    } catch (const dbf::Error& e) {
      message = e.what();
    }
    EXPECT_NE(message.find(stem), std::string::npos) << message;
    EXPECT_EQ(ReadBytes(memoPath), memo) << stem;
    EXPECT_EQ(ReadBytes(dir.File(std::string(stem) + ".dbf")), table) << stem;
  }
}

}  // namespace
