// Record layouts of the sales and collection files: every field is found at
// its byte position in a CP949 record whose Korean texts shift characters
// against bytes, and the values derived from the ready-mix texts.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/encoding.h"
#include "import/collections.h"
#include "import/sales.h"

namespace {

using ModMain::Utf8ToCp949;

// A record of `width` spaces with each UTF-8 text placed, in CP949, at its
// 1-based byte position.
std::string Record(int width, const std::map<int, std::string>& fields) {
  std::string line(width, ' ');
  for (const auto& [start, text] : fields) {
    const std::string bytes = Utf8ToCp949(text);
    EXPECT_LE(start - 1 + static_cast<int>(bytes.size()), width) << text;
    line.replace(start - 1, bytes.size(), bytes);
  }
  return line;
}

std::string Utf8(const std::string& cp949) { return ModMain::Cp949ToUtf8(cp949); }

TEST(SalesLayout, GSalesFieldsSitAtTheirBytePositions) {
  const std::string line = Record(145, {{1, "2004"}, {5, "03"}, {7, "15"}, {10, "012"},
                                        {14, "07"}, {33, "대한건설(주) 본사"}, {64, "25mm골재"},
                                        {75, "00012"}, {80, "50"}, {83, "   15000"},
                                        {92, "      187500"}, {105, "      18750"},
                                        {130, "외상판매"}, {138, "99999999"}});
  const mod판매::GSalesRecord r = mod판매::CutGSalesRecord(line);
  EXPECT_EQ(r.year + r.month + r.day, "20040315");
  EXPECT_EQ(r.customerNumber, "012");
  EXPECT_EQ(r.itemNumber, "07");
  EXPECT_EQ(Utf8(r.customerName), "대한건설(주) 본사");
  EXPECT_EQ(Utf8(r.itemName), "25mm골재");
  EXPECT_EQ(r.quantityWhole + "." + r.quantityDecimals, "00012.50");
  EXPECT_EQ(r.unitPrice, "15000");
  EXPECT_EQ(r.amount, "187500");
  EXPECT_EQ(r.vat, "18750");
  // the 8 bytes after the sales kind are not part of it
  EXPECT_EQ(Utf8(r.salesKind), "외상판매");
}

TEST(SalesLayout, ReadyMixSalesFieldsSitAtTheirBytePositions) {
  const std::string line =
      Record(371, {{1, "000101"}, {8, "2004"}, {12, "03"}, {14, "31"}, {24, "005"},
                   {37, "전월미판"}, {46, "자가소비"}, {102, "한빛산업(주)"},
                   {133, "강남 아파트 2공구"}, {164, "25-210-15"}, {179, "00006"},
                   {184, "50"}, {187, "   52000"}, {196, "      338000"},
                   {209, "      33800"}, {326, "2004"}, {330, "02"}, {332, "27"},
                   {334, "XXXXXXXX"}});
  const mod판매::ReadyMixSalesRecord r = mod판매::CutReadyMixSalesRecord(line);
  EXPECT_EQ(r.serial, "000101");
  EXPECT_EQ(r.year + r.month + r.day, "20040331");
  EXPECT_EQ(r.siteNumber, "005");
  EXPECT_EQ(Utf8(r.status), "전월미판");
  EXPECT_EQ(Utf8(r.category), "자가소비");
  EXPECT_EQ(Utf8(r.customerName), "한빛산업(주)");
  EXPECT_EQ(Utf8(r.siteName), "강남 아파트 2공구");
  EXPECT_EQ(r.itemName, "25-210-15");
  EXPECT_EQ(r.quantityWhole + "." + r.quantityDecimals, "00006.50");
  EXPECT_EQ(r.unitPrice + "/" + r.amount + "/" + r.vat, "52000/338000/33800");
  EXPECT_EQ(r.secondYear + r.secondMonth + r.secondDay, "20040227");
}

TEST(SalesLayout, ShortReadyMixRecordLeavesTheFieldsPastItsEndEmpty) {
  const mod판매::ReadyMixSalesRecord r =
      mod판매::CutReadyMixSalesRecord(Record(200, {{1, "000007"}, {187, "     100"}}));
  EXPECT_EQ(r.serial, "000007");
  EXPECT_EQ(r.unitPrice, "100");
  EXPECT_EQ(r.amount, "");
  EXPECT_EQ(r.secondYear + r.secondMonth + r.secondDay, "");
}

TEST(SalesValues, CategoryTextGivesTheSalesKindFirstRuleWinning) {
  auto kind = [](const std::string& utf8) { return mod판매::SalesKindCode(Utf8ToCp949(utf8)); };
  EXPECT_EQ(kind(""), "1");
  EXPECT_EQ(kind("상품"), "2");
  EXPECT_EQ(kind("상품기증"), "2");
  EXPECT_EQ(kind("임가공"), "3");
  EXPECT_EQ(kind("자가소비기증"), "4");
  EXPECT_EQ(kind("기증"), "5");
  EXPECT_EQ(kind("판매"), std::nullopt);
  // "상품" (BB F3 C7 B0) must match whole characters: here its bytes run
  // across three characters B0BB F3C7 B0A1 and do not count
  const std::string straddling = "\xB0\xBB\xF3\xC7\xB0\xA1";
  ASSERT_NE(straddling.find(Utf8ToCp949("상품")), std::string::npos);
  EXPECT_EQ(mod판매::SalesKindCode(straddling), std::nullopt);
}

TEST(SalesValues, StatusTextGivesTheIssueFlagAndTheUnsoldMark) {
  EXPECT_EQ(mod판매::IssueFlag(Utf8ToCp949("금월미판")), 2);
  EXPECT_EQ(mod판매::IssueFlag(Utf8ToCp949("*금월미판")), 2);
  EXPECT_EQ(mod판매::IssueFlag(Utf8ToCp949("전월미판")), 1);
  EXPECT_EQ(mod판매::IssueFlag(""), 1);
  EXPECT_TRUE(mod판매::IsPreviousMonthUnsold(Utf8ToCp949("전월미판")));
  EXPECT_FALSE(mod판매::IsPreviousMonthUnsold(Utf8ToCp949("금월미판")));
}

TEST(SalesValues, CodesAndQuantities) {
  EXPECT_EQ(mod판매::CodeOrEmpty("100", "012"), "100012");
  EXPECT_EQ(mod판매::CodeOrEmpty("100", ""), "");
  EXPECT_DOUBLE_EQ(mod판매::Quantity("00012", "50"), 12.5);
  EXPECT_DOUBLE_EQ(mod판매::Quantity("", ""), 0.0);
  EXPECT_DOUBLE_EQ(mod판매::Quantity("7", ""), 7.0);
  EXPECT_DOUBLE_EQ(mod판매::Quantity("", "05"), 0.05);
}

TEST(CollectionLayout, GCollectionFieldsSitAtTheirBytePositions) {
  // the name fills its 24 bytes right up to the first amount
  const std::string line = Record(70, {{1, "2004"}, {5, "04"}, {7, "01"}, {9, "045"},
                                       {12, "XXXXXXXXXXX"}, {23, "한빛산업주식회사대전지점"},
                                       {47, "      150000"}, {59, "     -5000.5"}});
  const mod수금::GCollectionRecord r = mod수금::CutGCollectionRecord(line);
  EXPECT_EQ(r.year + r.month + r.day, "20040401");
  EXPECT_EQ(r.customerNumber, "045");
  EXPECT_EQ(Utf8(r.customerName), "한빛산업주식회사대전지점");
  EXPECT_EQ(r.firstAmount, "150000");
  EXPECT_EQ(r.secondAmount, "-5000.5");
}

TEST(CollectionLayout, ReadyMixCollectionFieldsSitAtTheirBytePositions) {
  const std::string line =
      Record(225, {{1, "2004"}, {5, "03"}, {7, "31"}, {33, "대한건설"},
                   {64, "      150000"}, {77, "       50000"}, {121, "신한은행"},
                   {132, "가나12345678"}, {145, "2004"}, {149, "03"}, {151, "31"},
                   {154, "2004"}, {158, "06"}, {160, "30"}, {162, "Z"}});
  const mod수금::ReadyMixCollectionRecord r = mod수금::CutReadyMixCollectionRecord(line);
  EXPECT_EQ(r.year + r.month + r.day, "20040331");
  EXPECT_EQ(Utf8(r.customerName), "대한건설");
  EXPECT_EQ(r.firstAmount, "150000");
  EXPECT_EQ(r.secondAmount, "50000");
  EXPECT_EQ(Utf8(r.secondAmountText), "신한은행");
  EXPECT_EQ(Utf8(r.secondAmountNumber), "가나12345678");
  EXPECT_EQ(r.firstDetailYear + r.firstDetailMonth + r.firstDetailDay, "20040331");
  EXPECT_EQ(r.secondDetailYear + r.secondDetailMonth + r.secondDetailDay, "20040630");
}

}  // namespace
