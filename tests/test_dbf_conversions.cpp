// The conversion of values into column bytes: every row of the matrix, the
// rounding, the date texts and the errors.
#include <gtest/gtest.h>

#include <cstring>

#include "dbf/dates.h"
#include "dbf/dbf.h"
#include "dbf/number_text.h"
#include "tests/dbf_test_support.h"

using dbftest::ReadBytes;
using dbftest::TempDir;

namespace {

// A Visual FoxPro table with one column of every settable type.
class Conversions : public ::testing::Test {
 protected:
  void SetUp() override {
    dbf::CreateTable(dir.File("conv.dbf"), 0x30, 0x79,
                     {{"TXT", 'C', 10}, {"NUM", 'N', 8, 2}, {"FLT", 'F', 6, 1}, {"DAY", 'D'},
                      {"STAMP", 'T'}, {"FLAG", 'L'}, {"NOTE", 'M'}, {"CNT", 'I'}, {"DBL", 'B', 8, 2},
                      {"CUR", 'Y'}, {"VAR", 'V', 6}, {"NTXT", 'C', 4, 0, true}, {"SMALL", 'N', 3, 0}});
    connection.Open(dir.Path());
    rs.Open("conv", connection);
    rs.AddNew();
  }
  // The stored bytes of a column of the single saved row.
  std::string Stored(const std::string& column) {
    rs.Update();
    rs.Close();
    const auto bytes = ReadBytes(dir.File("conv.dbf"));
    const unsigned headerLength = bytes[8] | (bytes[9] << 8);
    unsigned offset = 1;
    for (size_t d = 32; bytes[d] != 0x0D; d += 32) {
      std::string name(reinterpret_cast<const char*>(&bytes[d]));
      if (name == column) return std::string(bytes.begin() + headerLength + offset,
                                             bytes.begin() + headerLength + offset + bytes[d + 16]);
      offset += bytes[d + 16];
    }
    ADD_FAILURE() << "no column " << column;
    return "";
  }
  std::string ErrorOf(const std::string& column, const dbf::Value& value) {
    try {
      rs.SetValue(column, value);
    } catch (const dbf::Error& e) {
      return e.what();
    }
    return "";
  }
  TempDir dir;
  dbf::Connection connection;
  dbf::Recordset rs;
};

std::string Bytes(std::initializer_list<unsigned char> b) { return std::string(b.begin(), b.end()); }

TEST_F(Conversions, TextIntoCharacterIsPadded) {
  rs.SetValue("txt", std::string("AB"));
  EXPECT_EQ(Stored("TXT"), "AB        ");
}

TEST_F(Conversions, TextLongerThanColumnIsAnErrorNamingTableColumnAndValue) {
  const std::string message = ErrorOf("TXT", std::string("\xB0\xA1\xB0\xA1\xB0\xA1\xB0\xA1\xB0\xA1X"));
  EXPECT_NE(message.find("conv"), std::string::npos) << message;
  EXPECT_NE(message.find("TXT"), std::string::npos) << message;
  EXPECT_NE(message.find("가가가가가X"), std::string::npos) << message;  // shown as UTF-8
  EXPECT_NE(message.find("11바이트"), std::string::npos) << message;
  EXPECT_NE(message.find("10바이트"), std::string::npos) << message;
}

TEST_F(Conversions, NumbersIntoCharacterAsTheirText) {
  rs.SetValue("TXT", 1.5);
  EXPECT_EQ(Stored("TXT"), "1.5       ");
}

TEST_F(Conversions, Int16IntoCharacter) {
  rs.SetValue("TXT", std::int16_t{-42});
  EXPECT_EQ(Stored("TXT"), "-42       ");
}

TEST_F(Conversions, NumericRoundsHalfAwayFromZero) {
  rs.SetValue("NUM", std::string("-2.345"));
  EXPECT_EQ(Stored("NUM"), "   -2.35");
}

TEST_F(Conversions, NumericFromDoubleUsesItsShortestDecimal) {
  rs.SetValue("NUM", 2.675);  // binary 2.67499999...; written as 2.675 it rounds up
  EXPECT_EQ(Stored("NUM"), "    2.68");
}

TEST_F(Conversions, NumericFromInt16IsTheBlankZero) {
  rs.SetValue("NUM", std::int16_t{0});
  EXPECT_EQ(Stored("NUM"), "    0.00");
}

TEST_F(Conversions, FloatColumnLikeNumeric) {
  rs.SetValue("FLT", std::int32_t{-123});
  EXPECT_EQ(Stored("FLT"), "-123.0");
}

TEST_F(Conversions, NumberTooWideIsAnErrorNotStars) {
  EXPECT_NE(ErrorOf("SMALL", std::int32_t{1000}), "");
  EXPECT_NE(ErrorOf("SMALL", std::string("-100")), "");
  EXPECT_EQ(ErrorOf("SMALL", std::string("-99")), "");
  EXPECT_EQ(ErrorOf("SMALL", 999.4), "");
  EXPECT_NE(ErrorOf("SMALL", 999.5), "");  // rounds to 1000
}

TEST_F(Conversions, NarrowColumnDropsTheLeadingZero) {
  rs.Close();
  dbf::CreateTable(dir.File("narrow.dbf"), 0x03, 0, {{"RATE", 'N', 3, 2}});
  rs.Open("narrow", connection);
  rs.AddNew();
  EXPECT_EQ(ErrorOf("RATE", std::int16_t{0}), "");
  EXPECT_NE(ErrorOf("RATE", std::int16_t{1}), "");
  EXPECT_NE(ErrorOf("RATE", std::string("-0.5")), "");
  rs.SetValue("RATE", std::string("0.555"));
  rs.Update();
  rs.MoveFirst();
  EXPECT_EQ(rs.GetText("RATE"), ".56");
}

TEST_F(Conversions, NonNumericTextIntoNumbersIsAnError) {
  for (const char* bad : {"1,000", "1e3", "1 2", "", " ", "abc", "-", ".", "0x10"}) {
    EXPECT_NE(ErrorOf("NUM", std::string(bad)), "") << bad;
    EXPECT_NE(ErrorOf("CNT", std::string(bad)), "") << bad;
    EXPECT_NE(ErrorOf("CUR", std::string(bad)), "") << bad;
    EXPECT_NE(ErrorOf("DBL", std::string(bad)), "") << bad;
  }
  EXPECT_EQ(ErrorOf("NUM", std::string(" .5 ")), "");
  EXPECT_EQ(ErrorOf("NUM", std::string("+4.")), "");
}

TEST_F(Conversions, DateIntoNumberIsAnError) {
  EXPECT_NE(ErrorOf("NUM", dbf::kZeroDate), "");
  EXPECT_NE(ErrorOf("CNT", dbf::kZeroDate), "");
}

TEST_F(Conversions, IntegerColumn) {
  rs.SetValue("CNT", std::string("-2.5"));  // half away from zero
  EXPECT_EQ(Stored("CNT"), Bytes({0xFD, 0xFF, 0xFF, 0xFF}));
}

TEST_F(Conversions, IntegerOutOfRangeIsAnError) {
  EXPECT_NE(ErrorOf("CNT", 2147483648.0), "");
  EXPECT_NE(ErrorOf("CNT", std::string("-2147483649")), "");
  EXPECT_EQ(ErrorOf("CNT", std::string("-2147483648")), "");
}

TEST_F(Conversions, DoubleColumn) {
  rs.SetValue("DBL", std::string("1.25"));
  double d = 0;
  std::string stored = Stored("DBL");
  std::memcpy(&d, stored.data(), 8);
  EXPECT_EQ(d, 1.25);
}

TEST_F(Conversions, CurrencyIsScaledBy10000) {
  rs.SetValue("CUR", 12.34);
  EXPECT_EQ(Stored("CUR"), Bytes({0x08, 0xE2, 0x01, 0, 0, 0, 0, 0}));
}

TEST_F(Conversions, DateTextForms) {
  rs.SetValue("DAY", std::string("2004/3/5"));
  EXPECT_EQ(Stored("DAY"), "20040305");
}

TEST_F(Conversions, ZeroDateIsStoredAsTheRealDate) {
  rs.SetValue("DAY", dbf::kZeroDate);
  rs.SetValue("STAMP", dbf::kZeroDate);
  EXPECT_EQ(Stored("DAY"), "18991230");
  rs.Open("conv", connection);
  rs.MoveFirst();
  EXPECT_EQ(rs.GetText("STAMP"), "1899-12-30 00:00:00");
}

TEST_F(Conversions, TimestampStoresDayNumberAndMilliseconds) {
  rs.SetValue("STAMP", std::string("2024-01-15 12:00"));
  EXPECT_EQ(Stored("STAMP"), Bytes({0xA5, 0x8A, 0x25, 0x00, 0x00, 0x2E, 0x93, 0x02}));
}

TEST_F(Conversions, DatesThatDoNotExistAreErrors) {
  for (const char* bad : {"2003/02/29", "2004/13/01", "2004/00/10", "2004/1/0", "", "04/31/1", "2004/03-05",
                          "20040230", "abc"})
    EXPECT_NE(ErrorOf("DAY", std::string(bad)), "") << bad;
  EXPECT_NE(ErrorOf("DAY", dbf::DateTime{2003, 2, 29, 0}), "");
  EXPECT_NE(ErrorOf("DAY", std::int16_t{0}), "");
  EXPECT_NE(ErrorOf("STAMP", 1.0), "");
}

TEST_F(Conversions, Logical) {
  EXPECT_NE(ErrorOf("FLAG", std::string("X")), "");
  EXPECT_NE(ErrorOf("FLAG", std::int32_t{2}), "");
  EXPECT_NE(ErrorOf("FLAG", dbf::kZeroDate), "");
  rs.SetValue("FLAG", std::int16_t{1});
  EXPECT_EQ(Stored("FLAG"), "T");
}

TEST_F(Conversions, LogicalFromText) {
  rs.SetValue("FLAG", std::string("n"));
  EXPECT_EQ(Stored("FLAG"), "F");
}

TEST_F(Conversions, OneSpaceMemoIsStored) {
  rs.SetValue("NOTE", std::string(" "));
  rs.Update();
  rs.Close();
  const auto memo = ReadBytes(dir.File("conv.fpt"));
  ASSERT_EQ(memo.size(), 512u + 64u);
  EXPECT_EQ(dbftest::Le32(memo, 512 + 4), 0x01000000u);  // big-endian length 1
  EXPECT_EQ(memo[512 + 8], ' ');
  EXPECT_EQ(memo[3], 9);  // next free block
}

TEST_F(Conversions, VarcharKeepsItsLength) {
  rs.SetValue("VAR", std::string("ab"));
  EXPECT_EQ(Stored("VAR"), Bytes({'a', 'b', 0, 0, 0, 2}));
  rs.Open("conv", connection);
  rs.MoveFirst();
  EXPECT_EQ(rs.GetText("VAR"), "ab");
}

TEST_F(Conversions, NullableColumnIsNullUntilSet) {
  rs.Update();
  rs.AddNew();
  rs.SetValue("NTXT", std::string("x"));
  rs.Update();
  rs.Close();
  const auto bytes = ReadBytes(dir.File("conv.dbf"));
  const unsigned headerLength = bytes[8] | (bytes[9] << 8);
  const unsigned recordLength = bytes[10] | (bytes[11] << 8);
  // VAR owns bit 0 (varlength), NTXT bit 1 (null); the flags are the last byte.
  EXPECT_EQ(bytes[headerLength + recordLength - 1], 0x03);
  EXPECT_EQ(bytes[headerLength + 2 * recordLength - 1], 0x01);
}

TEST_F(Conversions, MissingColumnIsAnError) {
  const std::string message = ErrorOf("NOPE", std::string("x"));
  EXPECT_NE(message.find("NOPE"), std::string::npos) << message;
}

TEST_F(Conversions, BinaryObjectsRefuseValues) {
  rs.Close();
  dbf::CreateTable(dir.File("obj.dbf"), 0x30, 0, {{"PIC", 'G'}});
  rs.Open("obj", connection);
  rs.AddNew();
  EXPECT_NE(ErrorOf("PIC", std::string("x")), "");
  EXPECT_EQ(rs.ColumnType(0), 'G');
}

TEST(NumberText, RoundingAndParsing) {
  using namespace dbf::detail;
  EXPECT_EQ(FormatFixed(*ParseDecimal("0.5"), 0), "1");
  EXPECT_EQ(FormatFixed(*ParseDecimal("-0.5"), 0), "-1");
  EXPECT_EQ(FormatFixed(*ParseDecimal("-0.004"), 2), "0.00");
  EXPECT_EQ(FormatFixed(*ParseDecimal("9.995"), 2), "10.00");
  EXPECT_EQ(FormatFixed(*ParseDecimal("007"), 1), "7.0");
  EXPECT_FALSE(ParseDecimal("1.2.3"));
  EXPECT_FALSE(ParseDecimal("--1"));
  EXPECT_EQ(*ScaledInteger(*ParseDecimal("-0.00005"), 4), -1);
  EXPECT_FALSE(ScaledInteger(*ParseDecimal("99999999999999999999"), 0));
}

TEST(DateText, Forms) {
  using dbf::detail::ParseDateText;
  EXPECT_EQ(*ParseDateText("2004/3/5"), (dbf::DateTime{2004, 3, 5, 0}));
  EXPECT_EQ(*ParseDateText("04/03/05"), (dbf::DateTime{2004, 3, 5, 0}));
  EXPECT_EQ(*ParseDateText("29.12.31"), (dbf::DateTime{2029, 12, 31, 0}));
  EXPECT_EQ(*ParseDateText("30-01-01"), (dbf::DateTime{1930, 1, 1, 0}));
  EXPECT_EQ(*ParseDateText("2000/02/29"), (dbf::DateTime{2000, 2, 29, 0}));
  EXPECT_FALSE(ParseDateText("1900/02/29"));
  EXPECT_FALSE(ParseDateText("204/03/05"));
  EXPECT_EQ(dbf::detail::JulianDay(1899, 12, 30), 2415019);
  EXPECT_EQ(dbf::detail::JulianDay(2000, 1, 1), 2451545);
  EXPECT_EQ(dbf::detail::FromJulianDay(2460325, 0), (dbf::DateTime{2024, 1, 15, 0}));
}

}  // namespace

namespace {

TEST(NullFlags, BitsAreHandedOutAsFoxProDoes) {
  // Varlength bit first, then the null bit, walking the columns in order.
  TempDir dir;
  dbf::CreateTable(dir.File("bits.dbf"), 0x30, 0x79,
                   {{"A", 'C', 3}, {"B", 'N', 5, 0, true}, {"C", 'V', 10}, {"D", 'V', 10, 0, true},
                    {"E", 'D', 8, 0, true}});
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset rs;
  rs.Open("bits", connection);
  rs.AddNew();
  rs.SetValue("C", std::string("ab"));
  rs.SetValue("D", std::string("0123456789"));
  rs.SetValue("E", std::string("2004/03/15"));
  rs.Update();
  rs.Close();
  const auto bytes = ReadBytes(dir.File("bits.dbf"));
  const unsigned headerLength = bytes[8] | (bytes[9] << 8);
  const unsigned recordLength = bytes[10] | (bytes[11] << 8);
  ASSERT_EQ(recordLength, 1u + 3 + 5 + 10 + 10 + 8 + 1);
  const std::string record(bytes.begin() + headerLength, bytes.begin() + headerLength + recordLength);
  EXPECT_EQ(static_cast<unsigned char>(record.back()), 0x03);  // B null, C short; D full, E set
  EXPECT_EQ(record.substr(9, 10), std::string("ab\0\0\0\0\0\0\0\x02", 10));
  EXPECT_EQ(record.substr(19, 10), "0123456789");
  // The hidden column is named _NullFlags, type 0, system flag set.
  const size_t descriptor = 32 + 5 * 32;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[descriptor])), "_NullFlags");
  EXPECT_EQ(bytes[descriptor + 11], '0');
  EXPECT_EQ(bytes[descriptor + 18] & 0x01, 0x01);
}

}  // namespace

namespace {

TEST(Messages, KoreanColumnNamesAreShownAsText) {
  // Old FoxPro tables may name columns in CP949.
  TempDir dir;
  dbf::CreateTable(dir.File("old.dbf"), 0x03, 0x79, {{"\xB0\xA1\xB3\xAA", 'C', 2}});
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset rs;
  rs.Open("old", connection);
  rs.AddNew();
  std::string message;
  try {
    rs.SetValue("\xB0\xA1\xB3\xAA", std::string("abc"));
  } catch (const dbf::Error& e) {
    message = e.what();
  }
  EXPECT_NE(message.find("열 가나에 값 'abc'"), std::string::npos) << message;
}

}  // namespace
