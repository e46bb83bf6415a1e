// Reading rows and the literal lookup by name: stored order, exact match,
// deleted rows skipped, rows appended or removed by others seen.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#endif

#include <random>
#include <thread>

#include "dbf/dbf.h"
#include "support/test_support.h"

namespace {

class TableLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    dbf::CreateTable(dir.File("vdrs110.dbf"), 0x30, 0x79, {{"D11_code", 'C', 6}, {"D11_cname", 'C', 30}, {"D11_memo", 'M'}});
    connection.Open(dir.Path());
    lookup.Open("vdrs110", connection);
  }
  void Append(const std::vector<std::string>& names) {
    dbf::Recordset rs;
    rs.Open("vdrs110", connection);
    for (const std::string& name : names) {
      rs.AddNew();
      rs.SetValue("D11_code", std::to_string(100001 + Le(ReadBytes(dir.File("vdrs110.dbf")), 4)));
      rs.SetValue("D11_cname", name);
      rs.Update();
    }
  }
  // Changes the table's bytes as its owner would (`at` counts from the first
  // record), and the count with them.
  void Poke(std::uint32_t at, const std::string& bytes, std::uint32_t count = 0) {
    std::string table = ReadBytes(dir.File("vdrs110.dbf"));
    table.replace(Le(table, 8, 2) + at, bytes.size(), bytes);
    if (count) PutLe(table, 4, count);
    WriteBytes(dir.File("vdrs110.dbf"), table);
  }
  std::string Find(const std::string& name) {
    std::string code;
    return lookup.FindFirstEqual("D11_cname", name, "D11_code", code) ? code : "none";
  }
  TempDir dir;
  dbf::Connection connection;
  dbf::Recordset lookup;
};

// On a connection that writes in batches, a lookup writes the batch open on
// its table first and sees its rows, though it answered "none" just before.
TEST_F(TableLookup, TheBatchOfItsTableIsWrittenBeforeALookup) {
  connection.BeginBatches();
  EXPECT_EQ(Find("alpha"), "none");
  dbf::Recordset rs;
  rs.Open("vdrs110", connection);
  rs.AddNew();
  rs.SetValue("D11_code", std::string("100001"));
  rs.SetValue("D11_cname", std::string("alpha"));
  rs.Update();
  EXPECT_EQ(Le(ReadBytes(dir.File("vdrs110.dbf")), 4), 0u) << "the row waits in its batch";
  EXPECT_EQ(Find("alpha"), "100001");
}

TEST_F(TableLookup, FirstRowWithTheExactNameAndRenamedRows) {
  Append({"alpha", "Alpha", "alpha", "O'Neil _%*?", "O_Neil", Cp949("가나"), "alpha beta"});
  EXPECT_EQ(Find("alpha") + Find("Alpha") + Find("O'Neil _%*?") + Find("O_Neil") + Find(Cp949("가나")),
            "100001100002100004100005100006");
  for (const char* none : {"ALPHA", "Alpha ", "alpha%", "alpha*", "O?Neil", "", "\xB0\xA1", "gamma"})
    EXPECT_EQ(Find(none), "none") << none;
  Poke(7, "omega");  // renamed by the owning program
  EXPECT_EQ(Find("alpha"), "100003");  // the row found renamed, the index is read again
  EXPECT_EQ(Find("omega"), "100001");
}

TEST_F(TableLookup, CountBeyondTheRecordsShrinkingAndTrailingNuls) {
  Append({"alpha", "beta", "gamma"});
  EXPECT_EQ(Find("gamma"), "100003");
  Poke(41, "*", 1000);  // a count the records on disk do not back, and a deleted row
  EXPECT_EQ(Find("gamma"), "100003");
  std::string codes;
  for (lookup.MoveFirst(); !lookup.Eof(); lookup.MoveNext()) codes += lookup.GetText("D11_code") + " ";
  EXPECT_EQ(codes, "100001 100003 ");
  // Packed by its owner down to one record, whose name ends in NULs.
  std::string table = ReadBytes(dir.File("vdrs110.dbf"));
  table.resize(Le(table, 8, 2) + 41);
  WriteBytes(dir.File("vdrs110.dbf"), table + "\x1A");
  Poke(0, std::string(" 200001delta\0\0\0", 15), 1);
  EXPECT_EQ(Find("gamma") + Find("delta"), "none200001");
  lookup.MoveFirst();
  EXPECT_EQ(lookup.GetText("D11_cname"), "delta");
  lookup.MoveNext();
  EXPECT_TRUE(lookup.Eof());
  EXPECT_THROW(lookup.MoveNext(), dbf::Error);
  EXPECT_THROW(lookup.GetText("D11_code"), dbf::Error);
}

// The first live row of `name` found by reading the file as it is now ("none"
// when there is none); rows are {flag, code C(6), name C(10)}.
[[maybe_unused]] std::string Scan(const std::string& path, const std::string& name) {
  const std::string b = ReadBytes(path);
  for (std::uint64_t i = 0, at = Le(b, 8, 2); i < Le(b, 4) && at + 17 <= b.size(); ++i, at += 17) {
    const std::string code = b.substr(at + 1, 6), stored = b.substr(at + 7, 10);
    if (b[at] != '*' && stored.substr(0, stored.find_last_not_of(' ') + 1) == name)
      return code.substr(0, code.find_last_not_of(' ') + 1);
  }
  return "none";
}

#ifndef _WIN32  // another process made by fork(): Linux only
// Random tables with duplicate names; rows deleted and recalled, and rows
// appended by another process, while the lookups run: each answer is the one
// a straightforward scan gives before or after it.
TEST(TableLookupProperty, AgreesWithAStraightforwardScan) {
  std::mt19937 random(11);
  for (std::uint8_t version : {0x03, 0x30, 0x03, 0x30}) {
    TempDir dir;
    const std::string path = dir.File("names.dbf");
    dbf::CreateTable(path, version, 0x79, {{"CODE", 'C', 6}, {"NAME", 'C', 10}});
    auto append = [&](int rows, int seed) {
      std::mt19937 names(seed);
      dbf::Connection connection;
      connection.Open(dir.Path());
      dbf::Recordset rs;
      rs.Open("names", connection);
      for (int i = 0; i < rows; ++i, std::this_thread::sleep_for(std::chrono::microseconds(seed ? 300 : 0))) {
        rs.AddNew();
        rs.SetValue("CODE", std::to_string(seed * 1000 + i));
        rs.SetValue("NAME", "n" + std::to_string(names() % 40));
        rs.Update();
      }
      return 0;
    };
    append(100 + random() % 200, 0);
    dbf::Connection connection;
    connection.Open(dir.Path());
    dbf::Recordset lookup;
    lookup.Open("names", connection);
    Child other = StartChild([&](int) { return append(300, 1); });
    const int fd = open(path.c_str(), O_WRONLY);
    for (int i = 0; i < 600; ++i) {
      const std::string name = "n" + std::to_string(random() % 45), before = Scan(path, name);
      std::string found = "none";
      lookup.FindFirstEqual("NAME", name, "CODE", found);
      const std::string after = Scan(path, name);
      EXPECT_TRUE(found == before || found == after) << name << ": " << found << ", scans " << before << " " << after;
      const std::string header = ReadBytes(path).substr(0, 12);
      const char flag = random() % 3 ? '*' : ' ';  // deletes and recalls one of the first rows
      EXPECT_EQ(pwrite(fd, &flag, 1, Le(header, 8, 2) + random() % 100 * Le(header, 10, 2)), 1);
    }
    close(fd);
    EXPECT_EQ(WaitChild(other), 0);
  }
}
#endif

}  // namespace
