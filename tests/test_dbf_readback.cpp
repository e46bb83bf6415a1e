// Rows appended by the table layer, read back by independent readers
// (python3-dbfread, python3-dbf) and checked byte by byte.
#include <gtest/gtest.h>

#include <cstdlib>

#include "dbf/dbf.h"
#include "tests/dbf_test_support.h"

using dbftest::Le32;
using dbftest::ReadBytes;
using dbftest::TempDir;

namespace {

std::string Cp949(const std::string& utf8) {
  std::string out;
  FILE* pipe = ::popen(("printf '%s' '" + utf8 + "' | iconv -f UTF-8 -t CP949").c_str(), "r");
  char buffer[256];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

// Runs the independent readers over `table`; "OK" when all agree.
std::string ReadBack(const std::string& table, const std::string& fixture, const std::string& appendedJson,
                     bool withPythonDbf) {
  ::setenv("FIXTURES_DIR", FIXTURES_DIR, 1);
  std::string code = "import runpy, sys\nsys.argv = [sys.argv[0]] + sys.argv[1].split('\\x1f')\n"
                     "runpy.run_path('" SOURCE_DIR "/tests/dbf_readback.py', run_name='__main__')\n";
  std::string argument = table + '\x1f' + fixture + '\x1f' + appendedJson + (withPythonDbf ? "\x1f" "both" : "");
  std::string output = dbftest::RunPython(code, argument);
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

TEST(DbfReadback, VisualFoxProAppendWithMemoAndNulls) {
  TempDir dir;
  dir.CopyFixture("vfp_types");
  const auto memoBefore = ReadBytes(dir.File("vfp_types.fpt"));
  const std::string longMemo(150, 'z');
  {
    dbf::Connection connection;
    connection.Open(dir.Path());
    dbf::Recordset rs;
    rs.Open("vfp_types", connection);
    rs.AddNew();
    rs.SetValue("CNO", std::string("200001"));
    rs.SetValue("CNAME", Cp949("홍길동"));
    rs.SetValue("QTY", std::string("3.456"));
    rs.SetValue("FLT", 2.5);
    rs.SetValue("F_DATE", std::string("2004/3/5"));
    rs.SetValue("F_TIME", dbf::DateTime{2004, 3, 5, 45000000});
    rs.SetValue("F_LOG", std::string("F"));
    rs.SetValue("F_MEMO", Cp949("메모 둘째") + longMemo);
    rs.SetValue("F_INT", std::int32_t{-42});
    rs.SetValue("F_DBL", -0.5);
    rs.SetValue("F_CUR", 12.3456);
    rs.Update();
    rs.AddNew();
    rs.SetValue("F_MEMO", std::string(" "));
    rs.SetValue("F_NNUM", std::int16_t{0});
    rs.Update();
  }
  const std::string expected =
      R"([{"CNO": "200001", "CNAME": "홍길동", "QTY": 3.46, "FLT": 2.5, "F_DATE": "2004-03-05",)"
      R"( "F_TIME": "2004-03-05T12:30:00", "F_LOG": false, "F_MEMO": "메모 둘째)" + longMemo +
      R"(", "F_INT": -42, "F_DBL": -0.5, "F_CUR": "12.3456", "F_NNUM": null, "_NullFlags": "02"},)"
      R"( {"CNO": "", "F_MEMO": " ", "F_NNUM": 0, "_NullFlags": "01"}])";
  EXPECT_EQ(ReadBack(dir.File("vfp_types.dbf"), "vfp_types", expected, false), "OK");

  // The memo chain: both memos start at the old next free block, one after the other.
  const auto memo = ReadBytes(dir.File("vfp_types.fpt"));
  const auto table = ReadBytes(dir.File("vfp_types.dbf"));
  const unsigned oldNext = (memoBefore[0] << 24) | (memoBefore[1] << 16) | (memoBefore[2] << 8) | memoBefore[3];
  const unsigned headerLength = table[8] | (table[9] << 8);
  const unsigned recordLength = table[10] | (table[11] << 8);
  const unsigned memoOffset = 0x42;  // F_MEMO's displacement in the record
  const unsigned first = Le32(table, headerLength + 3 * recordLength + memoOffset);
  const unsigned second = Le32(table, headerLength + 4 * recordLength + memoOffset);
  const unsigned length = 9 + 150;  // "메모 둘째" is 9 CP949 bytes
  EXPECT_EQ(first, oldNext);
  EXPECT_EQ(second, oldNext + (8 + length + 63) / 64);
  const unsigned newNext = (memo[0] << 24) | (memo[1] << 16) | (memo[2] << 8) | memo[3];
  EXPECT_EQ(newNext, second + 1);
  EXPECT_EQ(memo.size(), newNext * 64u);
  EXPECT_EQ(memo[first * 64 + 3], 1);  // type 1: text
  EXPECT_EQ(memo[first * 64 + 7], length);
  EXPECT_EQ(Le32(table, 4), 5u);
  EXPECT_EQ(table.size(), headerLength + 5 * recordLength + 1);
  EXPECT_EQ(table.back(), 0x1A);
  for (size_t i = 4; i < memoBefore.size(); ++i) {
    ASSERT_EQ(memo[i], memoBefore[i]) << "memo byte " << i << " was overwritten";
  }
}

TEST(DbfReadback, FoxPro2AppendKeepsItsIndexCurrent) {
  TempDir dir;
  dir.CopyFixture("fox2_cdx");
  dbf::Connection connection;
  connection.Open(dir.Path());
  {
    dbf::Recordset rs;
    rs.Open("FOX2_CDX", connection);
    rs.AddNew();
    rs.SetValue("D11_CODE", std::string("100003"));
    rs.SetValue("D11_CNAME", Cp949("감마 '산업' 50%_*?"));
    rs.SetValue("D11_SDATE", std::string("04/02/29"));
    rs.SetValue("NOTE", Cp949("두 번째 메모"));
    rs.SetValue("AMT", std::string("-0.005"));
    rs.Update();
  }
  EXPECT_TRUE(connection.TakeStaleIndexes().empty());  // every tag is one the layer maintains
  const std::string expected =
      R"([{"D11_CODE": "100003", "D11_CNAME": "감마 '산업' 50%_*?", "D11_SDATE": "2004-02-29",)"
      R"( "NOTE": "두 번째 메모", "AMT": -0.01}])";
  EXPECT_EQ(ReadBack(dir.File("fox2_cdx.dbf"), "fox2_cdx", expected, true), "OK");
  const auto table = ReadBytes(dir.File("fox2_cdx.dbf"));
  EXPECT_EQ(table[28], 0x01);  // the index flag stays
  EXPECT_EQ(table[29], 0x4E);
}

TEST(DbfReadback, DBaseThreeAppendWithDbtMemo) {
  TempDir dir;
  dir.CopyFixture("db3_memo");
  const auto before = ReadBytes(dir.File("db3_memo.dbt"));
  {
    dbf::Connection connection;
    connection.Open(dir.Path());
    dbf::Recordset rs;
    rs.Open("db3_memo", connection);
    for (int i = 0; i < 2; ++i) {
      rs.AddNew();
      rs.SetValue("CODE", std::string("B") + std::to_string(i));
      rs.SetValue("TEXT", std::string(600 * i + 3, 'm'));
      rs.SetValue("N", std::int32_t{i});
      rs.SetValue("D", dbf::kZeroDate);
      rs.SetValue("OK", std::string("Y"));
      rs.Update();
    }
  }
  const std::string expected =
      R"([{"CODE": "B0", "TEXT": "mmm", "N": 0.0, "D": "1899-12-30", "OK": true},)"
      R"( {"CODE": "B1", "TEXT": ")" + std::string(603, 'm') + R"(", "N": 1.0, "D": "1899-12-30", "OK": true}])";
  EXPECT_EQ(ReadBack(dir.File("db3_memo.dbf"), "db3_memo", expected, true), "OK");
  const auto memo = ReadBytes(dir.File("db3_memo.dbt"));
  const unsigned oldNext = Le32(before, 0);
  EXPECT_EQ(Le32(memo, 0), oldNext + 1 + 2);  // 3+2 bytes: one block; 603+2: two blocks
  EXPECT_EQ(memo.size(), (oldNext + 3) * 512u);
  EXPECT_EQ(memo[oldNext * 512 + 3], 0x1A);
  EXPECT_EQ(memo[oldNext * 512 + 4], 0x1A);
}

TEST(DbfReadback, TablesMadeByPythonDbf) {
  TempDir dir;
  const std::string made = dbftest::RunPython(
      "import dbf, sys\n"
      "t = dbf.Table(sys.argv[1] + '/pyfox.dbf', 'name C(10); amt N(10,2); day D; ok L; note M',"
      " dbf_type='vfp', codepage='cp949')\n"
      "t.open(dbf.READ_WRITE)\n"
      "t.append(('first', 1.5, dbf.Date(2004, 1, 2), True, 'memo one'))\n"
      "t.close()\n"
      "t = dbf.Table(sys.argv[1] + '/pydb3.dbf', 'name C(10); amt N(10,2); note M', dbf_type='db3')\n"
      "t.open(dbf.READ_WRITE)\n"
      "t.append(('x', 2, 'y'))\n"
      "t.close()\n"
      "print('made')\n",
      dir.Path());
  ASSERT_EQ(made, "made\n");
  {
    dbf::Connection connection;
    connection.Open(dir.Path());
    for (const char* name : {"pyfox", "pydb3"}) {
      dbf::Recordset rs;
      rs.Open(name, connection);
      rs.AddNew();
      rs.SetValue("NAME", Cp949("둘째"));
      rs.SetValue("AMT", std::string("1234567.891"));
      rs.SetValue("NOTE", std::string("memo two"));
      rs.Update();
      rs.MoveFirst();
      ASSERT_FALSE(rs.Eof());
      rs.MoveNext();
      ASSERT_FALSE(rs.Eof());
      EXPECT_EQ(rs.GetText("amt"), "1234567.89");
      EXPECT_EQ(rs.GetText("note"), "memo two");
    }
  }
  const std::string both = R"([{"NAME": "first"}, {"NAME": "둘째", "AMT": 1234567.89, "NOTE": "memo two"}])";
  EXPECT_EQ(ReadBack(dir.File("pyfox.dbf"), "", both, true), "OK");
  const std::string db3 = R"([{"NAME": "x", "NOTE": "y"}, {"NAME": "둘째", "AMT": 1234567.89, "NOTE": "memo two"}])";
  EXPECT_EQ(ReadBack(dir.File("pydb3.dbf"), "", db3, true), "OK");
}

}  // namespace
