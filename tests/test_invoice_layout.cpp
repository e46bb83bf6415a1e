// The two invoice record layouts: the 87- and 92-byte item groups, the totals
// and the texts the cutter builds from them.
#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "common/fields.h"
#include "import/invoices.h"

namespace {

using mod세금::CutInvoiceRecord;
using mod세금::InvoiceItem;
using mod세금::InvoiceRecord;
using mod세금::kGInvoiceLayout;
using mod세금::kReadyMixInvoiceLayout;
using ModMain::Cp949;

// A record of `width` bytes of filler. The filler is not a blank, so a field
// cut one byte too early or too late picks it up and the test fails.
std::string Filler(int width) { return std::string(static_cast<std::size_t>(width), '#'); }

// Writes `text` (CP949) at the 1-based byte position `start`, right-aligned in
// `length` bytes like the export files' numbers.
void Put(std::string& record, int start, int length, const std::string& text) {
  ASSERT_LE(static_cast<int>(text.size()), length);
  std::string field = std::string(static_cast<std::size_t>(length) - text.size(), ' ') + text;
  record.replace(static_cast<std::size_t>(start) - 1, field.size(), field);
}

// Absolute starts of the G groups' fields, as the export format documents them.
struct GGroupStarts {
  int code, name, quantityInteger, quantityDecimal, unitPrice, vat, amount;
};
constexpr GGroupStarts kGGroups[4] = {{210, 213, 228, 233, 236, 258, 270},
                                      {297, 300, 315, 320, 323, 345, 357},
                                      {384, 387, 402, 407, 410, 432, 444},
                                      {471, 474, 489, 494, 497, 519, 531}};

// The same for the ready-mix groups (no item code).
struct ReadyMixGroupStarts {
  int name, quantityInteger, quantityDecimal, unitPrice, vat, amount;
};
constexpr ReadyMixGroupStarts kReadyMixGroups[4] = {{223, 238, 243, 246, 268, 280},
                                                    {315, 330, 335, 338, 360, 372},
                                                    {407, 422, 427, 430, 452, 464},
                                                    {499, 514, 519, 522, 544, 556}};

std::string GRecord() {
  std::string record = Filler(616);
  Put(record, 1, 3, "017");
  Put(record, 5, 3, "023");
  Put(record, 17, 4, "2024");
  Put(record, 21, 2, "01");
  Put(record, 23, 2, "15");
  Put(record, 51, 30, Cp949("(주)한라골재"));
  for (int k = 0; k < 4; ++k) {
    const GGroupStarts& g = kGGroups[k];
    const std::string n = std::to_string(k + 1);
    Put(record, g.code, 2, "0" + n);
    Put(record, g.name, 9, Cp949("모래") + n);
    Put(record, g.quantityInteger, 5, "1" + n);
    Put(record, g.quantityDecimal, 2, n + "0");
    Put(record, g.unitPrice, 8, "1000" + n);
    Put(record, g.vat, 11, "300" + n);
    Put(record, g.amount, 12, "3000" + n);
  }
  Put(record, 547, 5, "52");
  Put(record, 552, 2, "25");
  Put(record, 555, 12, "2147483647");
  Put(record, 568, 11, "1200");
  Put(record, 580, 4, "A1B2");
  return record;
}

std::string ReadyMixRecord() {
  std::string record = Filler(616);
  Put(record, 1, 3, "305");
  Put(record, 23, 4, "2023");
  Put(record, 27, 2, "12");
  Put(record, 29, 2, "31");
  Put(record, 57, 30, Cp949("대한건설(주)"));
  for (int k = 0; k < 4; ++k) {
    const ReadyMixGroupStarts& g = kReadyMixGroups[k];
    const std::string n = std::to_string(k + 1);
    Put(record, g.name, 9, "25-240-" + n);
    Put(record, g.quantityInteger, 5, "6" + n);
    Put(record, g.quantityDecimal, 2, "0" + n);
    Put(record, g.unitPrice, 8, "5000" + n);
    Put(record, g.vat, 11, "700" + n);
    Put(record, g.amount, 12, "7000" + n);
  }
  Put(record, 573, 5, "250");
  Put(record, 578, 2, "10");
  Put(record, 581, 12, "280010");
  Put(record, 594, 11, "28004");
  Put(record, 606, 4, "R001");
  return record;
}

TEST(GInvoiceLayout, EachOfTheFourGroupsIsReadAtItsOwnPositions) {
  const InvoiceRecord invoice = CutInvoiceRecord(GRecord(), kGInvoiceLayout);
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE("group " + std::to_string(k + 1));
    const std::string n = std::to_string(k + 1);
    const InvoiceItem& item = invoice.items[k];
    EXPECT_EQ(item.code, "0" + n);
    EXPECT_EQ(item.name, Cp949("모래") + n);
    EXPECT_EQ(item.quantityText, "1" + n + "." + n + "0");
    EXPECT_EQ(item.unitPriceText, "1000" + n);
    EXPECT_EQ(item.vatText, "300" + n);
    EXPECT_EQ(item.amountText, "3000" + n);
  }
}

TEST(GInvoiceLayout, HeaderFieldsAndTotals) {
  const InvoiceRecord invoice = CutInvoiceRecord(GRecord(), kGInvoiceLayout);
  EXPECT_EQ(invoice.invoiceNumber, "017");
  EXPECT_EQ(invoice.customerCode, "100023");
  EXPECT_EQ(invoice.dateText, "2024/01/15");
  EXPECT_EQ(invoice.customerName, Cp949("(주)한라골재"));
  // In the totals the amount comes before the VAT (in a group it is the other way).
  EXPECT_EQ(invoice.totalQuantityText, "52.25");
  EXPECT_EQ(invoice.totalAmountText, "2147483647");
  EXPECT_EQ(invoice.totalVatText, "1200");
  EXPECT_EQ(invoice.code, "A1B2");
}

TEST(ReadyMixInvoiceLayout, EachOfTheFourGroupsIsReadAtItsOwnPositions) {
  const InvoiceRecord invoice = CutInvoiceRecord(ReadyMixRecord(), kReadyMixInvoiceLayout);
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE("group " + std::to_string(k + 1));
    const std::string n = std::to_string(k + 1);
    const InvoiceItem& item = invoice.items[k];
    EXPECT_EQ(item.code, "");
    EXPECT_EQ(item.name, "25-240-" + n);
    EXPECT_EQ(item.quantityText, "6" + n + ".0" + n);
    EXPECT_EQ(item.unitPriceText, "5000" + n);
    EXPECT_EQ(item.vatText, "700" + n);
    EXPECT_EQ(item.amountText, "7000" + n);
  }
}

TEST(ReadyMixInvoiceLayout, HeaderFieldsAndTotalsWithoutACustomerCode) {
  const InvoiceRecord invoice = CutInvoiceRecord(ReadyMixRecord(), kReadyMixInvoiceLayout);
  EXPECT_EQ(invoice.invoiceNumber, "305");
  EXPECT_EQ(invoice.customerCode, "");  // comes from the lookup by name
  EXPECT_EQ(invoice.dateText, "2023/12/31");
  EXPECT_EQ(invoice.customerName, Cp949("대한건설(주)"));
  EXPECT_EQ(invoice.totalQuantityText, "250.10");
  EXPECT_EQ(invoice.totalAmountText, "280010");
  EXPECT_EQ(invoice.totalVatText, "28004");
  EXPECT_EQ(invoice.code, "R001");
}

TEST(InvoiceQuantity, PartsAreTrimmedBeforeTheyAreJoined) {
  std::string record = GRecord();
  Put(record, 228, 5, "00012");
  Put(record, 233, 2, "50");
  Put(record, 315, 5, "");
  Put(record, 320, 2, "50");
  Put(record, 402, 5, "");
  Put(record, 407, 2, "");
  const InvoiceRecord invoice = CutInvoiceRecord(record, kGInvoiceLayout);
  EXPECT_EQ(invoice.items[0].quantityText, "00012.50");
  EXPECT_DOUBLE_EQ(ModMain::LeadingNumber(invoice.items[0].quantityText), 12.5);
  EXPECT_EQ(invoice.items[1].quantityText, ".50");
  EXPECT_DOUBLE_EQ(ModMain::LeadingNumber(invoice.items[1].quantityText), 0.5);
  EXPECT_EQ(invoice.items[2].quantityText, ".");
  EXPECT_DOUBLE_EQ(ModMain::LeadingNumber(invoice.items[2].quantityText), 0.0);
}

TEST(InvoiceItemIsEmpty, OnlyWhenQuantityPriceAmountAndVatAllReadAsZero) {
  InvoiceItem blank{.code = "01", .name = "x", .quantityText = ".", .unitPriceText = "",
                    .vatText = "", .amountText = ""};
  EXPECT_TRUE(blank.IsEmpty());
  InvoiceItem zeros{.code = "02", .name = "y", .quantityText = "0.00", .unitPriceText = "0",
                    .vatText = "00", .amountText = "0"};
  EXPECT_TRUE(zeros.IsEmpty());

  InvoiceItem halfUnit = blank;
  halfUnit.quantityText = ".50";
  EXPECT_FALSE(halfUnit.IsEmpty());
  InvoiceItem priceOnly = blank;
  priceOnly.unitPriceText = "100";
  EXPECT_FALSE(priceOnly.IsEmpty());
  InvoiceItem vatOnly = blank;
  vatOnly.vatText = "1";
  EXPECT_FALSE(vatOnly.IsEmpty());
  InvoiceItem creditNote = blank;
  creditNote.amountText = "-5000";
  EXPECT_FALSE(creditNote.IsEmpty());
}

TEST(InvoiceLayout, FieldsPastTheEndOfAShortRecordAreEmpty) {
  // The record ends before the unit price of group 2: the rest is blank.
  const std::string record = GRecord().substr(0, 322);
  const InvoiceRecord invoice = CutInvoiceRecord(record, kGInvoiceLayout);
  EXPECT_EQ(invoice.items[0].amountText, "30001");
  EXPECT_EQ(invoice.items[1].quantityText, "12.20");
  EXPECT_EQ(invoice.items[1].unitPriceText, "");
  EXPECT_TRUE(invoice.items[2].IsEmpty());
  EXPECT_TRUE(invoice.items[3].IsEmpty());
  EXPECT_EQ(invoice.totalQuantityText, ".");
  EXPECT_EQ(invoice.totalAmountText, "");
  EXPECT_EQ(invoice.code, "");
}

TEST(InvoiceDate, ZeroOrBlankMonthOrDayIsRefused) {
  struct Case {
    const char* month;
    const char* day;
  };
  for (const Case c : {Case{"00", "15"}, Case{"01", "00"}, Case{"", "15"}, Case{"01", ""}}) {
    SCOPED_TRACE(std::string(c.month) + "/" + c.day);
    std::string g = GRecord();
    Put(g, 21, 2, c.month);
    Put(g, 23, 2, c.day);
    EXPECT_THROW(CutInvoiceRecord(g, kGInvoiceLayout), ModMain::ImportFailure);
    std::string readyMix = ReadyMixRecord();
    Put(readyMix, 27, 2, c.month);
    Put(readyMix, 29, 2, c.day);
    EXPECT_THROW(CutInvoiceRecord(readyMix, kReadyMixInvoiceLayout), ModMain::ImportFailure);
  }
}

TEST(InvoiceDate, NamesTheMonthlyTablesByYearAndMonth) {
  const InvoiceRecord invoice = CutInvoiceRecord(ReadyMixRecord(), kReadyMixInvoiceLayout);
  EXPECT_EQ(ModMain::DatedTableName("K57_", ModMain::TableNameRule::kMonthly, invoice.dateText),
            "K57_2312");
  EXPECT_EQ(ModMain::DatedTableName("k56_", ModMain::TableNameRule::kMonthly, invoice.dateText),
            "k56_2312");
}

}  // namespace
