// Sales: G sales and ready-mix daily sales, one row per record into the
// monthly sales table k31_YYMM of the record's date.
#include <optional>

#include "common/dated_tables.h"
#include "import/imports.h"

namespace mod판매 {
namespace {

using namespace ModMain;

// "G판매.txt", 145 bytes.
constexpr ColumnRule kGSale[] = {
    Named("판매일자", Date("D31_date", {1, 4}, {5, 2}, {7, 2})),
    Named("거래처코드", CodeOrEmpty("D11_code", "100", {10, 3})),
    Named("품목코드", CodeOrEmpty("D14_code", "1", {14, 2})),
    Named("거래처명", Text("D11_cname", {33, 30})),
    Named("품목명", Text("D14_name", {64, 10})),
    Named("수량", Decimal("D31_qty", {75, 5}, {80, 2})),
    Int32("D31_pri", {83, 8}, "단가"),
    Int32("D31_amt", {92, 12}, "금액"),
    Int32("D31_vat", {105, 11}, "부가세"),
    Named("판매구분", Text("D31_chgb", {130, 8})),
};

// "레미콘일일판매.txt", 371 bytes: the columns, and the fields the rules below read.
constexpr ColumnRule kReadyMixSale[] = {
    Int16("no", {1, 6}, "일련번호"),
    Supplied("D31_mgcode"),  // the held customer code's first character
    Named("판매일자", Date("D31_date", {8, 4}, {12, 2}, {14, 2})),
    Supplied("bal_date"),
    Supplied("D11_code"),  // the held customer code
    Named("현장코드", Text("D16_code", {24, 3}, "1")),
    Supplied("balhaeng"),
    Supplied("D31_chgb"),
    Named("거래처명", Text("D11_cname", {102, 30})),
    Named("현장명", Text("D16_cname", {133, 30})),
    Named("품목명", Text("D14_name", {164, 14})),
    Named("수량", Decimal("D31_qty", {179, 5}, {184, 2})),
    Int32("D31_pri", {187, 8}, "단가"),
    Int32("D31_amt", {196, 12}, "금액"),
    Int32("D31_vat", {209, 11}, "부가세"),
};
constexpr Field kStatus{37, 8}, kCategory{46, 8};
constexpr Field kSecondYear{326, 4}, kSecondMonth{330, 2}, kSecondDay{332, 2};

constexpr const char* kMonthlySales = "k31_";

// D31_chgb from the category: empty "1", then the first word it contains:
// 상품 "2", 임가공 "3", 자가소비 "4", 기증 "5"; anything else leaves the blank.
std::optional<std::string> SalesKindCode(const std::string& category) {
  if (category.empty()) return "1";
  static const char* const kWords[] = {"상품", "임가공", "자가소비", "기증"};
  for (int i = 0; i < 4; ++i)
    if (ContainsText(category, Cp949(kWords[i]))) return std::to_string(i + 2);
  return std::nullopt;
}

}  // namespace

void ImportGSales(Run& run) {
  // No existence check: a missing month ends the run at the open with the
  // table layer's description.
  DatedTableSwitch tables(kMonthlySales, TableNameRule::kMonthly, /*checkExists=*/false);
  RunImport(run, RunSetup{}, [&](RecordContext& context) {
    RowValues row(context.record, kGSale);
    tables.SwitchTo(context, row, "D31_date");
    context.WriteRow(row);
  });
}

void ImportReadyMixDailySales(Run& run) {
  DatedTableSwitch tables(kMonthlySales, TableNameRule::kMonthly, /*checkExists=*/true);
  RunImport(run, RunSetup{}, [&](RecordContext& context) {
    const std::string& record = context.record;
    RowValues row(record, kReadyMixSale);
    // A sale without month or day has no monthly table: say so plainly.
    row.RequireMonthAndDay("D31_date");
    const std::string code = mod거래처::UpdateHeldCustomerCode(run, ImportKind::kReadyMixDailySales,
                                                               row.Text("D11_cname"), context.LineNumber());
    const std::string status = CutField(record, kStatus);
    const bool unsoldLastMonth = ContainsText(status, Cp949("전월미판"));
    const dbf::Value secondDate = DateValueOrZero(CutField(record, kSecondYear), CutField(record, kSecondMonth),
                                                  CutField(record, kSecondDay));
    tables.SwitchTo(context, row.Text("D31_date"));

    row.Supply("D31_mgcode", MidChars(code, 1, 1));
    row.Supply("bal_date", unsoldLastMonth ? secondDate : dbf::Value(row.Text("D31_date")));
    row.Supply("D11_code", code);
    // 2 for a sale not yet invoiced this month.
    row.Supply("balhaeng", static_cast<std::int16_t>(ContainsText(status, Cp949("금월미판")) ? 2 : 1));
    if (auto kind = SalesKindCode(CutField(record, kCategory))) row.Supply("D31_chgb", *kind);
    context.WriteRow(row);
  });
}

std::span<const ColumnRule> GSaleLayout() { return kGSale; }
std::span<const ColumnRule> ReadyMixSaleLayout() { return kReadyMixSale; }

}  // namespace mod판매
