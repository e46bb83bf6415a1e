// Sales imports: G sales (kind 2) and ready-mix daily sales (kind 8), one row
// per record into the monthly sales table k31_YYMM of the record's date.
#include "import/sales.h"

#include "common/fields.h"
#include "common/import_run.h"
#include "import/date_or_zero.h"
#include "import/imports.h"

namespace mod판매 {

using ModMain::Cp949;
using ModMain::CutField;
using ModMain::Field;

namespace {

// "G판매.txt": 1-based byte positions and lengths.
namespace g_layout {
constexpr Field kYear{1, 4}, kMonth{5, 2}, kDay{7, 2};
constexpr Field kCustomerNumber{10, 3}, kItemNumber{14, 2};
constexpr Field kCustomerName{33, 30}, kItemName{64, 10};
constexpr Field kQuantityWhole{75, 5}, kQuantityDecimals{80, 2};
constexpr Field kUnitPrice{83, 8}, kAmount{92, 12}, kVat{105, 11};
constexpr Field kSalesKind{130, 8};
}  // namespace g_layout

// "레미콘일일판매.txt": 1-based byte positions and lengths.
namespace rm_layout {
constexpr Field kSerial{1, 6};
constexpr Field kYear{8, 4}, kMonth{12, 2}, kDay{14, 2};
constexpr Field kSiteNumber{24, 3};
constexpr Field kStatus{37, 8}, kCategory{46, 8};
constexpr Field kCustomerName{102, 30}, kSiteName{133, 30}, kItemName{164, 14};
constexpr Field kQuantityWhole{179, 5}, kQuantityDecimals{184, 2};
constexpr Field kUnitPrice{187, 8}, kAmount{196, 12}, kVat{209, 11};
constexpr Field kSecondYear{326, 4}, kSecondMonth{330, 2}, kSecondDay{332, 2};
}  // namespace rm_layout

constexpr const char* kMonthlySalesPrefix = "k31_";

}  // namespace

GSalesRecord CutGSalesRecord(const std::string& record) {
  using namespace g_layout;
  GSalesRecord r;
  r.year = CutField(record, kYear);
  r.month = CutField(record, kMonth);
  r.day = CutField(record, kDay);
  r.customerNumber = CutField(record, kCustomerNumber);
  r.itemNumber = CutField(record, kItemNumber);
  r.customerName = CutField(record, kCustomerName);
  r.itemName = CutField(record, kItemName);
  r.quantityWhole = CutField(record, kQuantityWhole);
  r.quantityDecimals = CutField(record, kQuantityDecimals);
  r.unitPrice = CutField(record, kUnitPrice);
  r.amount = CutField(record, kAmount);
  r.vat = CutField(record, kVat);
  r.salesKind = CutField(record, kSalesKind);
  return r;
}

ReadyMixSalesRecord CutReadyMixSalesRecord(const std::string& record) {
  using namespace rm_layout;
  ReadyMixSalesRecord r;
  r.serial = CutField(record, kSerial);
  r.year = CutField(record, kYear);
  r.month = CutField(record, kMonth);
  r.day = CutField(record, kDay);
  r.siteNumber = CutField(record, kSiteNumber);
  r.status = CutField(record, kStatus);
  r.category = CutField(record, kCategory);
  r.customerName = CutField(record, kCustomerName);
  r.siteName = CutField(record, kSiteName);
  r.itemName = CutField(record, kItemName);
  r.quantityWhole = CutField(record, kQuantityWhole);
  r.quantityDecimals = CutField(record, kQuantityDecimals);
  r.unitPrice = CutField(record, kUnitPrice);
  r.amount = CutField(record, kAmount);
  r.vat = CutField(record, kVat);
  r.secondYear = CutField(record, kSecondYear);
  r.secondMonth = CutField(record, kSecondMonth);
  r.secondDay = CutField(record, kSecondDay);
  return r;
}

std::string CodeOrEmpty(const std::string& prefix, const std::string& field) {
  return field.empty() ? std::string() : prefix + field;
}

double Quantity(const std::string& whole, const std::string& decimals) {
  return ModMain::LeadingNumber(whole + "." + decimals);
}

std::optional<std::string> SalesKindCode(const std::string& category) {
  if (category.empty()) return "1";
  static const char* const kCategoryWords[] = {"상품", "임가공", "자가소비", "기증"};
  for (int i = 0; i < 4; ++i) {
    if (ModMain::ContainsText(category, Cp949(kCategoryWords[i]))) return std::to_string(i + 2);
  }
  return std::nullopt;
}

std::int16_t IssueFlag(const std::string& status) {
  return ModMain::ContainsText(status, Cp949("금월미판")) ? 2 : 1;
}

bool IsPreviousMonthUnsold(const std::string& status) {
  return ModMain::ContainsText(status, Cp949("전월미판"));
}

void ImportGSales(ModMain::ImportShell& shell) {
  // No existence check here: a missing month ends the run at the open with
  // the table layer's description.
  ModMain::DatedTableSwitch tables(kMonthlySalesPrefix, ModMain::TableNameRule::kMonthly,
                                   /*checkExists=*/false);
  ModMain::RunImport(shell, ModMain::RunShape{}, [&](ModMain::RecordContext& context) {
    const GSalesRecord r = CutGSalesRecord(context.record);
    const std::string dateText = ModMain::DateText(r.year, r.month, r.day);
    tables.SwitchTo(context, dateText);

    // Converted before the row is added, so a failing record adds nothing.
    const std::int32_t unitPrice = ModMain::ToInt32(r.unitPrice, "단가");
    const std::int32_t amount = ModMain::ToInt32(r.amount, "금액");
    const std::int32_t vat = ModMain::ToInt32(r.vat, "부가세");

    context.AddRow();
    dbf::Recordset& row = context.recordset;
    row.SetValue("D31_date", dateText);
    row.SetValue("D11_code", CodeOrEmpty("100", r.customerNumber));
    row.SetValue("D14_code", CodeOrEmpty("1", r.itemNumber));
    row.SetValue("D11_cname", r.customerName);
    row.SetValue("D14_name", r.itemName);
    row.SetValue("D31_qty", Quantity(r.quantityWhole, r.quantityDecimals));
    row.SetValue("D31_pri", unitPrice);
    row.SetValue("D31_amt", amount);
    row.SetValue("D31_vat", vat);
    row.SetValue("D31_chgb", r.salesKind);
    row.Update();
  });
}

void ImportReadyMixDailySales(ModMain::ImportShell& shell) {
  ModMain::DatedTableSwitch tables(kMonthlySalesPrefix, ModMain::TableNameRule::kMonthly,
                                   /*checkExists=*/true);
  ModMain::RunImport(shell, ModMain::RunShape{}, [&](ModMain::RecordContext& context) {
    const ReadyMixSalesRecord r = CutReadyMixSalesRecord(context.record);
    // A sale without month or day has no monthly table: say so plainly.
    if (!ModMain::HasMonthAndDay(r.month, r.day)) ModMain::ThrowNoMonthOrDay(r.month, r.day);
    const std::string recordDate = ModMain::DateText(r.year, r.month, r.day);
    mod거래처::UpdateHeldCustomerCode(shell, r.customerName, shell.heldCustomerCodeSales,
                                      context.LineNumber());
    const dbf::Value secondDate =
        ModMain::DateValueOrZero(r.secondYear, r.secondMonth, r.secondDay);
    tables.SwitchTo(context, recordDate);

    const std::int16_t serial = ModMain::ToInt16(r.serial, "일련번호");
    const std::int32_t unitPrice = ModMain::ToInt32(r.unitPrice, "단가");
    const std::int32_t amount = ModMain::ToInt32(r.amount, "금액");
    const std::int32_t vat = ModMain::ToInt32(r.vat, "부가세");
    const std::optional<std::string> salesKind = SalesKindCode(r.category);
    const std::string& customerCode = shell.heldCustomerCodeSales;

    context.AddRow();
    dbf::Recordset& row = context.recordset;
    row.SetValue("no", serial);
    row.SetValue("D31_mgcode", ModMain::MidChars(customerCode, 1, 1));
    row.SetValue("D31_date", recordDate);
    row.SetValue("bal_date",
                 IsPreviousMonthUnsold(r.status) ? secondDate : dbf::Value(recordDate));
    row.SetValue("D11_code", customerCode);
    row.SetValue("D16_code", "1" + r.siteNumber);
    row.SetValue("balhaeng", IssueFlag(r.status));
    if (salesKind) row.SetValue("D31_chgb", *salesKind);
    row.SetValue("D11_cname", r.customerName);
    row.SetValue("D16_cname", r.siteName);
    row.SetValue("D14_name", r.itemName);
    row.SetValue("D31_qty", Quantity(r.quantityWhole, r.quantityDecimals));
    row.SetValue("D31_pri", unitPrice);
    row.SetValue("D31_amt", amount);
    row.SetValue("D31_vat", vat);
    row.Update();
  });
}

}  // namespace mod판매
