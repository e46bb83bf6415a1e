// Record layouts and code rules of the customer and site imports.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "common/encoding.h"
#include "common/errors.h"
#include "customers_test_aid.h"
#include "import/customers.h"

namespace {

using mod거래처::CustomerCodeSeries;
using ModMain::Utf8ToCp949;

TEST(CustomerCodeSeries, FlagOneTakesTheFirstSeriesEverythingElseTheSecond) {
  CustomerCodeSeries series;
  EXPECT_EQ(series.Next("1"), "100001");
  EXPECT_EQ(series.Next("2"), "200001");
  EXPECT_EQ(series.Next("1"), "100002");
  EXPECT_EQ(series.Next("9"), "200002");
  EXPECT_EQ(series.Next(""), "200003");
  EXPECT_EQ(series.Next("A"), "200004");
}

TEST(CustomerCodeSeries, StopsAtTheLastSixDigitCodeOfASeries) {
  CustomerCodeSeries series;
  std::string last;
  for (int i = 1; i <= mod거래처::kLastCodeInSeries; ++i) last = series.Next("1");
  EXPECT_EQ(last, "199999");
  EXPECT_THROW(series.Next("1"), ModMain::ImportFailure);
  // the full series does not hold up the other one
  EXPECT_EQ(series.Next("2"), "200001");
  // nor is a code handed out twice after the failure
  EXPECT_THROW(series.Next("1"), ModMain::ImportFailure);
}

TEST(GCustomerLayout, CutsEveryFieldAtItsBytes) {
  const std::string line = RecordLine(
      210, {{1, "007"}, {5, "대한건설"}, {26, "강남현장"}, {47, ""}, {68, "일산현장"},
            {89, "1234567890"}, {100, "8001011234567"}, {114, "김철수"},
            {129, "서울시 강남구"}, {170, "건설업"}, {191, "토목"}});
  const mod거래처::GCustomerRecord c = mod거래처::CutGCustomerRecord(line);
  EXPECT_EQ(c.code, "100007");
  EXPECT_EQ(c.name, Utf8ToCp949("대한건설"));
  EXPECT_EQ(c.siteNames[0], Utf8ToCp949("강남현장"));
  EXPECT_EQ(c.siteNames[1], "");
  EXPECT_EQ(c.siteNames[2], Utf8ToCp949("일산현장"));
  EXPECT_EQ(c.businessNumber, "123-45-67890");
  EXPECT_EQ(c.residentNumber, "800101-1234567");
  EXPECT_EQ(c.representative, Utf8ToCp949("김철수"));
  EXPECT_EQ(c.address, Utf8ToCp949("서울시 강남구"));
  EXPECT_EQ(c.businessType, Utf8ToCp949("건설업"));
  EXPECT_EQ(c.businessItem, Utf8ToCp949("토목"));
}

TEST(GCustomerLayout, BlankNumbersStayEmptyAndShortLinesGiveEmptyFields) {
  const mod거래처::GCustomerRecord c = mod거래처::CutGCustomerRecord("012 short");
  EXPECT_EQ(c.code, "100012");
  EXPECT_EQ(c.name, "short");
  EXPECT_EQ(c.businessNumber, "");
  EXPECT_EQ(c.residentNumber, "");
  EXPECT_EQ(c.businessItem, "");
}

TEST(GSiteCode, CustomerNumberThenOrdinal) {
  EXPECT_EQ(mod거래처::GSiteCode("100007", 1), "0071");
  EXPECT_EQ(mod거래처::GSiteCode("100123", 3), "1233");
  // a short customer number leaves a shorter site code
  EXPECT_EQ(mod거래처::GSiteCode("10007", 2), "072");
  EXPECT_EQ(mod거래처::GSiteCode("100", 1), "1");
}

TEST(JoinedParts, AlwaysJoinedAlsoWhenBlank) {
  namespace L = mod거래처::ReadyMixCustomerLayout;
  const std::string blank(738, ' ');
  EXPECT_EQ(mod거래처::JoinedParts(blank, L::kBusinessNumberParts, 3), "--");
  EXPECT_EQ(mod거래처::JoinedParts(blank, L::kPostalCodeParts, 2), "-");
  const std::string line = RecordLine(738, {{50, "12 4567 90"}, {75, "135080"}});
  EXPECT_EQ(mod거래처::JoinedParts(line, L::kBusinessNumberParts, 3), "12-45-67 90");
  EXPECT_EQ(mod거래처::JoinedParts(line, L::kPostalCodeParts, 2), "135-080");
}

TEST(DateOrZero, MonthAndDayDecide) {
  namespace L = mod거래처::ReadyMixSiteLayout;
  auto date = [](const std::string& y, const std::string& m, const std::string& d) {
    return mod거래처::DateOrZero(RecordLine(259, {{111, y}, {115, m}, {117, d}}),
                                 L::kStartYear, L::kStartMonth, L::kStartDay);
  };
  EXPECT_EQ(date("2004", "03", "15"), dbf::Value(std::string("2004/03/15")));
  EXPECT_EQ(date("2004", "00", "15"), dbf::Value(dbf::kZeroDate));
  EXPECT_EQ(date("2004", "03", "  "), dbf::Value(dbf::kZeroDate));
  EXPECT_EQ(date("2004", "0a", "15"), dbf::Value(dbf::kZeroDate));
  // the year is not tested: an impossible date is the table's to refuse
  EXPECT_EQ(date("    ", "13", "40"), dbf::Value(std::string("/13/40")));
}

}  // namespace
