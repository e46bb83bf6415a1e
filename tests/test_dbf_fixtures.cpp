// The reference tables written by another xBase engine: reading them and
// appending to them, checked byte by byte and with python3-dbfread.
#include <gtest/gtest.h>

#include "dbf/dbf.h"
#include "tests/dbf_test_support.h"

using dbftest::Le32;
using dbftest::ReadBytes;
using dbftest::TempDir;

namespace {

struct FixtureTable {
  TempDir dir;
  dbf::Connection connection;
  explicit FixtureTable(const std::string& stem) {
    dir.CopyFixture(stem);
    connection.Open(dir.Path());
  }
};

std::string Cp949(const char* utf8) {
  // The test sources are UTF-8; tables hold CP949.
  std::string out;
  FILE* pipe = ::popen(("printf '%s' '" + std::string(utf8) + "' | iconv -f UTF-8 -t CP949").c_str(), "r");
  char buffer[256];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

TEST(DbfFixtures, ReadsVisualFoxProRowsAndSkipsDeleted) {
  FixtureTable t("vfp_types");
  dbf::Recordset rs;
  rs.Open("VFP_TYPES", t.connection);
  ASSERT_EQ(rs.ColumnCount(), 12);  // _NullFlags is hidden
  EXPECT_EQ(rs.ColumnName(1), "CNAME");
  rs.MoveFirst();
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.GetText("cno"), "100001");
  EXPECT_EQ(rs.GetText("CNAME"), Cp949("김철수"));
  EXPECT_EQ(rs.GetText("QTY"), "12.50");
  EXPECT_EQ(rs.GetText("F_DATE"), "20040315");
  EXPECT_EQ(rs.GetText("F_TIME"), "2004-03-15 10:30:00");
  EXPECT_EQ(rs.GetText("F_LOG"), "T");
  EXPECT_EQ(rs.GetText("F_MEMO"), Cp949("비고 메모"));
  EXPECT_EQ(rs.GetText("F_INT"), "7");
  EXPECT_EQ(rs.GetText("F_DBL"), "1.25");
  EXPECT_EQ(rs.GetText("F_NNUM"), "5");
  rs.MoveNext();
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.GetText("CNO"), "");
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());  // record 3 is deleted
}

TEST(DbfFixtures, ReportsTypeCodes) {
  FixtureTable t("vfp_types");
  dbf::Recordset rs;
  rs.Open("vfp_types", t.connection);
  const char expected[] = "CCNFDTLMIBYN";
  for (int i = 0; i < 12; ++i) EXPECT_EQ(rs.ColumnType(i), expected[i]) << rs.ColumnName(i);
}

TEST(DbfFixtures, BlankAppendedRowMatchesTheEnginesBlankRecord) {
  FixtureTable t("vfp_types");
  const auto before = ReadBytes(t.dir.File("vfp_types.dbf"));
  {
    dbf::Recordset rs;
    rs.Open("vfp_types", t.connection);
    rs.AddNew();
    rs.Update();
  }
  const auto after = ReadBytes(t.dir.File("vfp_types.dbf"));
  const unsigned headerLength = before[8] | (before[9] << 8);
  const unsigned recordLength = before[10] | (before[11] << 8);
  ASSERT_EQ(after.size(), before.size() + recordLength);
  EXPECT_EQ(Le32(after, 4), 4u);
  EXPECT_EQ(after.back(), 0x1A);
  // Record 2 of the reference is a blank record appended by the other engine.
  const size_t blank = headerLength + recordLength;
  const size_t mine = headerLength + 3 * recordLength;
  for (unsigned i = 0; i < recordLength; ++i) EXPECT_EQ(after[mine + i], before[blank + i]) << "byte " << i;
  // Nothing but bytes 1-7 of the header changed.
  for (unsigned i = 0; i < headerLength; ++i)
    if (i == 0 || i > 7) {
      EXPECT_EQ(after[i], before[i]) << "header byte " << i;
    }
}

}  // namespace

namespace {

TEST(DbfFixtures, DBaseMemoWithoutEndMarkStopsAtTheNextFreeBlock) {
  FixtureTable t("db3_memo");
  auto memo = ReadBytes(t.dir.File("db3_memo.dbt"));
  ASSERT_EQ(memo.size(), 521u);  // block 1: "첫 메모" (7 bytes) and 0x1A 0x1A
  memo[519] = memo[520] = 'x';
  memo.resize(1024, 'x');              // the rest of block 1, without an end mark
  memo.insert(memo.end(), 2000, 'y');  // beyond the next free block (2)
  dbftest::WriteBytes(t.dir.File("db3_memo.dbt"), memo);
  dbf::Recordset rs;
  rs.Open("db3_memo", t.connection);
  rs.MoveFirst();
  const std::string text = rs.GetText("TEXT");
  EXPECT_EQ(text.substr(0, 7), Cp949("첫 메모"));
  EXPECT_EQ(text.size(), 512u);  // the whole block 1, nothing of block 2
  EXPECT_EQ(text.find('y'), std::string::npos);
}

}  // namespace
