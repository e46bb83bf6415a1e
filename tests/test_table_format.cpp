// The bytes the table layer writes and reads: the conversion matrix, rows read
// back by independent readers, another engine's tables, null-flag bits, code
// pages and the header date.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "dbf/conversions.h"
#include "dbf/dbf.h"
#include "support/test_support.h"

namespace {

std::string Hex(const std::string& bytes) {
  std::string out;
  char two[3];
  for (unsigned char c : bytes) out += (std::snprintf(two, sizeof two, "%02X", c), two);
  return out;
}

// One row of the matrix. The column is "<type>[<length>[.<decimals>]][b][ <name>]"
// (b: binary). `want` is the stored text, "0x" and the bytes in hex, or "!"
// and a fragment of the error message.
struct Conversion {
  std::string column;
  dbf::Value value;
  std::string want;
  std::string codePage = "";
};

const Conversion kConversions[] = {
    {"C10", "AB", "AB        "}, {"C10", 1.5, "1.5       "}, {"C10", std::int16_t{-42}, "-42       "},
    {"C10", Cp949("가가가가가X"), "!테이블 conv의 열 COL에 값 '가가가가가X'(11바이트)이 들어가지 않습니다"},
    {"C2 " + Cp949("가나"), "abc", "!열 가나에 값 'abc'"}, {"C4", Cp949("가"), "!코드 페이지", "CP1252"},
    {"C4", "\xA2\xB4", "0xA4202020", "CP1252"}, {"C4b", "\xB0\xA1", "0xB0A12020", "CP1252"}, {"M", " ", " "},
    {"M", 12, "12"}, {"G", "x", "!이진(G)"}, {"N8.2", "-2.345", "   -2.35"}, {"N8.2", 2.675, "    2.68"},
    {"N8.2", std::int16_t{0}, "    0.00"}, {"N8.2", "-0.004", "    0.00"}, {"N8.2", "9.995", "   10.00"},
    {"N8.2", " .5 ", "    0.50"}, {"N8.2", "+4.", "    4.00"}, {"N5.1", "007", "  7.0"},
    {"N8.2", "1.2.3", "!숫자가 아닙니다"}, {"N8.2", "--1", "!숫자가 아닙니다"}, {"N8.2", dbf::kZeroDate, "!숫자(N)"},
    {"F6.1", -123, "-123.0"}, {"N3", 1000, "!소수 0자리를 포함해 3자리"}, {"N3", "-100", "!3자리"}, {"N3", "-99", "-99"},
    {"N3", 999.4, "999"}, {"N3", 999.5, "!3자리"}, {"N3.2", std::int16_t{0}, ".00"}, {"N3.2", "0.555", ".56"},
    {"N3.2", std::int16_t{1}, "!3자리"}, {"N3.2", "-0.5", "!3자리"}, {"I", "-2.5", "0xFDFFFFFF"},
    {"I", "2147483647", "0xFFFFFF7F"}, {"I", "-2147483648", "0x00000080"}, {"I", 2147483648.0, "!범위"},
    {"I", "-2147483649", "!범위"}, {"I", dbf::kZeroDate, "!숫자(I)"}, {"B", "1.25", "0x000000000000F43F"},
    {"B", -0.5, "0x000000000000E0BF"}, {"Y", 12.34, "0x08E2010000000000"}, {"Y", "-0.00005", "0xFFFFFFFFFFFFFFFF"},
    {"Y", "99999999999999999999", "!범위"}, {"D", "2004/3/5", "20040305"}, {"D", "04/03/05", "20040305"},
    {"D", "29.12.31", "20291231"}, {"D", "30-01-01", "19300101"}, {"D", "2000/02/29", "20000229"},
    {"D", dbf::kZeroDate, "18991230"}, {"D", "1900/02/29", "!없는 날짜"}, {"D", "204/03/05", "!없는 날짜"},
    {"D", "20040230", "!없는 날짜"}, {"D", dbf::DateTime{2003, 2, 29, 0}, "!없는 날짜"}, {"D", std::int16_t{0}, "!날짜(D)"},
    {"T", "2024-01-15 12:00", "0xA58A2500002E9302"}, {"T", dbf::kZeroDate, "0xABD9240000000000"},
    {"T", "2000-01-01", "0x5968250000000000"}, {"T", 1.0, "!날짜시간(T)"}, {"L", std::int16_t{1}, "T"}, {"L", " n ", "F"},
    {"L", "X", "!T, F, Y, N"}, {"L", 2, "!0과 1"}, {"L", dbf::kZeroDate, "!논리(L)"},
};

TEST(TableFormat, ConversionMatrix) {
  std::vector<Conversion> all(std::begin(kConversions), std::end(kConversions));
  for (const char* bad : {"1,000", "1e3", "1 2", "", " ", "abc", "-", ".", "0x10"})
    for (const char* column : {"N8.2", "I", "Y", "B"}) all.push_back({column, bad, "!숫자가 아닙니다"});
  for (const char* bad : {"2003/02/29", "2004/13/01", "2004/00/10", "2004/1/0", "", "04/31/1", "2004/03-05"})
    all.push_back({"D", bad, "!날짜"});
  for (const Conversion& c : all) {
    SCOPED_TRACE(c.column + " <- '" + dbf::detail::ValueAsText(c.value) + "'");
    dbf::detail::Column column;
    column.name = c.column.find(' ') == std::string::npos ? "COL" : c.column.substr(c.column.find(' ') + 1);
    column.type = c.column[0];
    column.length = dbf::detail::FixedLength(column.type, true);
    std::sscanf(c.column.c_str() + 1, "%d.%d", &column.length, &column.decimals);
    column.binary = c.column.find('b') != std::string::npos;
    try {
      const std::string bytes = dbf::detail::ConvertValue(c.value, column, "conv", c.codePage).bytes;
      EXPECT_EQ(c.want.rfind("0x", 0) == 0 ? "0x" + Hex(bytes) : bytes, c.want);
    } catch (const dbf::Error& e) {
      EXPECT_TRUE(c.want[0] == '!' && std::strstr(e.what(), c.want.c_str() + 1)) << e.what();
    }
  }
}

// Rows appended to another engine's tables, read back by both independent
// readers; what was there stays, the memo file only grows, and the header
// gets today's date in the year style the table had.
struct Readback {
  std::string stem;
  std::vector<std::vector<std::pair<std::string, dbf::Value>>> rows;
  std::vector<Row> want;  // the appended rows as dbfread reads them
};

void ExpectReadBack(const Readback& p) {
  SCOPED_TRACE(p.stem);
  TempDir dir;
  dir.CopyFixture(p.stem);
  const std::string table = dir.File(p.stem + ".dbf");
  const std::string memoPath = dir.File(p.stem + (p.stem == "db3_memo" ? ".dbt" : ".fpt"));
  const std::string before = ReadBytes(table), memoBefore = ReadBytes(memoPath);
  const std::vector<Row> rowsBefore = ReadRows(table);
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset rs;
  rs.Open(p.stem, connection);
  for (const auto& row : p.rows) {
    rs.AddNew();
    for (const auto& [column, value] : row) rs.SetValue(column, value);
    rs.Update();
  }
  EXPECT_TRUE(connection.TakeStaleIndexes().empty());  // the fixture's .cdx is kept current
  connection.Close();

  std::vector<Row> want = rowsBefore;
  want.insert(want.end(), p.want.begin(), p.want.end());
  EXPECT_EQ(ReadRows(table), want);
  if (p.stem != "vfp_types") {  // python3-dbf cannot read Visual FoxPro null flags
    EXPECT_EQ(ReadRows(table, "dbf").size(), want.size());
  }
  const std::string after = ReadBytes(table);
  const std::uint32_t count = Le(before, 4) + p.rows.size(), headerLength = Le(before, 8, 2);
  EXPECT_EQ(after.size(), headerLength + count * Le(before, 10, 2) + 1);
  EXPECT_EQ(after.back(), 0x1A);
  EXPECT_EQ(Le(after, 4), count);
  EXPECT_TRUE(after[0] == before[0] && after.compare(8, before.size() - 9, before, 8, before.size() - 9) == 0)
      << "bytes other than the date and the count changed";
  const std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  const int year = today.tm_year + 1900 - (static_cast<std::uint8_t>(before[1]) >= 100 ? 1900 : 2000);
  EXPECT_EQ(Hex(after.substr(1, 3)), Hex(std::string{char(year), char(today.tm_mon + 1), char(today.tm_mday)}));
  const std::string memo = ReadBytes(memoPath);
  const bool fpt = p.stem != "db3_memo";
  const std::uint32_t next = fpt ? __builtin_bswap32(Le(memo, 0)) : Le(memo, 0);
  const std::uint32_t raw = fpt ? (Le(memo, 6, 1) << 8 | Le(memo, 7, 1)) : 512;
  EXPECT_EQ(memo.size(), next * (raw <= 32 ? raw * 512 : raw));
  EXPECT_EQ(memo.substr(4, memoBefore.size() - 4), memoBefore.substr(4)) << "a memo was overwritten";
}

TEST(TableFormat, OtherEnginesTablesReadBackByBothReaders) {
  ExpectReadBack({"vfp_types",
                 {{{"CNO", "200001"}, {"CNAME", Cp949("홍길동")}, {"QTY", "3.456"}, {"FLT", 2.5},
                   {"F_DATE", "2004/3/5"}, {"F_TIME", dbf::DateTime{2004, 3, 5, 45000000}}, {"F_LOG", "F"},
                   {"F_MEMO", Cp949("메모 둘째") + std::string(150, 'z')}, {"F_INT", -42}, {"F_DBL", -0.5},
                   {"F_CUR", 12.3456}},
                  {{"F_MEMO", " "}, {"F_NNUM", std::int16_t{0}}}},
                 {{"200001", "홍길동", "3.46", "2.5", "2004-03-05", "2004-03-05T12:30:00", "False",
                   "메모 둘째" + std::string(150, 'z'), "-42", "-0.5", "12.3456", "None", "02"},
                  {"", "", "None", "None", "None", "None", "None", " ", "0", "0.0", "0", "0", "01"}}});
  ExpectReadBack({"fox2_cdx",
                 {{{"D11_CODE", "100003"}, {"D11_CNAME", Cp949("감마 '산업' 50%_*?")}, {"D11_SDATE", "04/02/29"},
                   {"NOTE", Cp949("두 번째 메모")}, {"AMT", "-0.005"}}},
                 {{"100003", "감마 '산업' 50%_*?", "2004-02-29", "두 번째 메모", "-0.01"}}});
  ExpectReadBack({"db3_memo",
                 {{{"CODE", "B0"}, {"TEXT", "mmm"}, {"N", 0}, {"D", dbf::kZeroDate}, {"OK", "Y"}},
                  {{"CODE", "B1"}, {"TEXT", std::string(603, 'm')}, {"N", 1}, {"OK", "y"}}},
                 {{"B0", "mmm", "0.0", "1899-12-30", "True"}, {"B1", std::string(603, 'm'), "1.0", "None", "True"}}});
}

TEST(TableFormat, ReadsTheOtherEnginesRowsAndAppendsTheFormatsBlankAndTheZeroValues) {
  TempDir dir;
  dir.CopyFixture("vfp_types");
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset rs;
  rs.Open("VFP_TYPES", connection);
  std::string names, types, texts;
  for (int i = 0; i < rs.ColumnCount(); ++i) names += rs.ColumnName(i) + " ", types += rs.ColumnType(i);
  EXPECT_EQ(names, "CNO CNAME QTY FLT F_DATE F_TIME F_LOG F_MEMO F_INT F_DBL F_CUR F_NNUM ");
  EXPECT_EQ(types, "CCNFDTLMIBYN");
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext(), texts += "/") {
    for (int i = 0; i < rs.ColumnCount(); ++i) texts += dbf::DisplayText(rs.GetText(rs.ColumnName(i))) + "|";
  }
  EXPECT_EQ(texts, "100001|김철수|12.50|3.125|20040315|2004-03-15 10:30:00|T|비고 메모|7|1.25|0|5|/"
                   "||||||||0|0|0||/");  // record 3 is deleted
  EXPECT_THROW(rs.GetText("NOPE"), dbf::Error);
  const std::string before = ReadBytes(dir.File("vfp_types.dbf"));
  rs.AddNew();
  rs.Update();
  const std::string after = ReadBytes(dir.File("vfp_types.dbf"));
  const std::uint32_t headerLength = Le(before, 8, 2), recordLength = Le(before, 10, 2);
  // Record 2 of the reference is a blank record appended by the other engine.
  EXPECT_EQ(Hex(after.substr(headerLength + 3 * recordLength, recordLength)),
            Hex(before.substr(headerLength + recordLength, recordLength)));
  // The zero values: numbers 0, dates the zero date, texts one space (a memo too).
  rs.AddNew();
  rs.BlankNewRow(dbf::Recordset::Blank::kZeroValues);
  rs.Update();
  const auto rows = ReadRows(dir.File("vfp_types.dbf"));
  EXPECT_EQ(Row(rows[3].begin(), rows[3].begin() + 12), (Row{"", "", "0.0", "0.0", "1899-12-30", "1899-12-30T00:00:00",
                                                             "None", " ", "0", "0.0", rows[2][10], "0"}));
}

TEST(TableFormat, DBaseMemoWithoutEndMarkStopsAtTheNextFreeBlock) {
  TempDir dir;
  dir.CopyFixture("db3_memo");
  std::string memo = ReadBytes(dir.File("db3_memo.dbt"));
  ASSERT_EQ(memo.size(), 521u);  // block 1: "첫 메모" (7 bytes), 0x1A 0x1A; next free block 2
  memo[519] = memo[520] = 'x';
  WriteBytes(dir.File("db3_memo.dbt"), memo + std::string(503, 'x') + std::string(2000, 'y'));
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset rs;
  rs.Open("db3_memo", connection);
  rs.MoveFirst();
  EXPECT_EQ(rs.GetText("TEXT"), Cp949("첫 메모") + std::string(505, 'x'));
}

// Varlength bit first, then the null bit, walking the columns in order; the
// blank row has every bit set. A short V value keeps its length in its last
// byte. Text of a table of another code page (here 1252) is converted.
TEST(TableFormat, NullFlagBitsVarcharLengthsAndOtherCodePages) {
  TempDir dir;
  dbf::CreateTable(dir.File("bits.dbf"), 0x30, 0x03,
                   {{"A", 'C', 3}, {"B", 'N', 5, 0, true}, {"C", 'V', 10}, {"D", 'V', 10, 0, true},
                    {"E", 'D', 8, 0, true}});
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset rs;
  rs.Open("bits", connection);
  rs.AddNew();
  rs.Update();
  rs.AddNew();
  for (const auto& [column, value] : {std::pair{"A", "\xA2\xB4"}, {"C", "0123456789"}, {"D", "ab"}, {"E", "2004/03/15"}})
    rs.SetValue(column, value);
  rs.Update();
  rs.MoveFirst();
  rs.MoveNext();
  EXPECT_EQ(rs.GetText("A") + "|" + rs.GetText("C") + "|" + rs.GetText("D"), "\xA2\xB4|0123456789|ab");
  const std::string bytes = ReadBytes(dir.File("bits.dbf"));
  ASSERT_EQ(Le(bytes, 10, 2), 38u);
  EXPECT_EQ(Hex(bytes.substr(Le(bytes, 8, 2) + 37)), Hex(std::string("\x1F \xA4       0123456789" "ab\0\0\0\0\0\0\0\x02" "20040315\x05\x1A", 40)));
  EXPECT_EQ(bytes.substr(32 + 5 * 32, 12), std::string("_NullFlags\0" "0", 12));
  EXPECT_EQ(bytes[32 + 5 * 32 + 18] & 0x01, 0x01);  // a system column
}

}  // namespace
