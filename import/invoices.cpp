// Tax invoices: G and ready-mix invoices into the monthly line tables
// K57_YYMM (one row per filled item group) and summary tables k56_YYMM.
#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>

#include "common/errors.h"
#include "common/dated_tables.h"
#include "common/messages.h"
#include "import/imports.h"

namespace mod세금 {
namespace {

using namespace ModMain;

// "GSS*.txt", 616 bytes: four item groups 87 bytes apart from byte 210 (the
// positions below are those of group 1), the summary row's totals from 547.
constexpr Field kGYear{17, 4}, kGMonth{21, 2}, kGDay{23, 2};
constexpr ColumnRule kGCustomerCode = Named("거래처코드", Text("D11_code", {5, 3}, "100"));
constexpr ColumnRule kGCustomerName = Named("거래처명", Text("D11_cname", {51, 30}));
constexpr ColumnRule kGInvoiceCode = Named("계산서코드", Text("D52_yo", {580, 4}));
constexpr ColumnRule kGLine[] = {
    Named("계산서일자", Date("D31_date", kGYear, kGMonth, kGDay)),
    Constant("D31_mgcode", "1"),
    kGCustomerCode,
    kGCustomerName,
    InGroup(Named("품목코드", Text("D14_code", {210, 2}))),
    InGroup(Named("품목명", Text("D14_name", {213, 9}))),
    InGroup(Named("수량", Decimal("D31_qty", {228, 5}, {233, 2}))),
    InGroup(Int32("D31_pri", {236, 8}, "단가")),
    InGroup(Int32("D31_amt", {270, 12}, "금액")),
    InGroup(Int32("D31_vat", {258, 11}, "부가세")),
    Int32("D52_si", {1, 3}, "계산서번호"),
    kGInvoiceCode,
    Supplied("seri"),  // 1, 2, ... over the filled groups
};
constexpr ColumnRule kGSummary[] = {
    kGCustomerCode,
    kGCustomerName,
    Constant("d_gubun", "1"),
    Int16("D52_si", {1, 3}, "계산서번호"),
    Named("계산서일자", Date("s_date", kGYear, kGMonth, kGDay)),
    Named("계산서일자", Date("e_date", kGYear, kGMonth, kGDay)),
    Named("계산서일자", Date("d31_wdate", kGYear, kGMonth, kGDay)),
    Named("합계수량", Decimal("qty1", {547, 5}, {552, 2})),
    Int32("amt1", {555, 12}, "합계금액"),
    Int32("vat1", {568, 11}, "합계부가세"),
    kGInvoiceCode,
};

// "*계산서*.txt", 616 bytes: four item groups 92 bytes apart from byte 223,
// without an item code; the customer is found by name (the held code).
constexpr Field kRYear{23, 4}, kRMonth{27, 2}, kRDay{29, 2};
constexpr ColumnRule kRCustomerName = Named("거래처명", Text("D11_cname", {57, 30}));
constexpr ColumnRule kRInvoiceCode = Named("계산서코드", Text("D52_yo", {606, 4}));
constexpr ColumnRule kReadyMixLine[] = {
    Named("계산서일자", Date("D31_date", kRYear, kRMonth, kRDay)),
    Constant("D31_mgcode", "1"),
    Supplied("D11_code"),
    kRCustomerName,
    InGroup(Named("품목명", Text("D14_name", {223, 9}))),
    InGroup(Named("수량", Decimal("D31_qty", {238, 5}, {243, 2}))),
    InGroup(Int32("D31_pri", {246, 8}, "단가")),
    InGroup(Int32("D31_amt", {280, 12}, "금액")),
    InGroup(Int32("D31_vat", {268, 11}, "부가세")),
    Int16("D52_si", {1, 3}, "계산서번호"),
    kRInvoiceCode,
    Supplied("seri"),
};
constexpr ColumnRule kReadyMixSummary[] = {
    Supplied("D11_code"),
    kRCustomerName,
    Constant("d_gubun", "1"),
    Int16("D52_si", {1, 3}, "계산서번호"),
    Named("계산서일자", Date("s_date", kRYear, kRMonth, kRDay)),
    Named("계산서일자", Date("e_date", kRYear, kRMonth, kRDay)),
    Named("계산서일자", Date("d31_wdate", kRYear, kRMonth, kRDay)),
    Named("합계수량", Decimal("qty1", {573, 5}, {578, 2})),
    Int32("amt1", {581, 12}, "합계금액"),
    Int32("vat1", {594, 11}, "합계부가세"),
    kRInvoiceCode,
};

struct InvoiceLayout {
  std::span<const ColumnRule> line;
  std::span<const ColumnRule> summary;
  int groupStride;
  std::optional<ImportKind> heldCodeKind;  // none: the record carries its customer number
};
constexpr InvoiceLayout kGInvoice{kGLine, kGSummary, 87, std::nullopt};
constexpr InvoiceLayout kReadyMixInvoice{kReadyMixLine, kReadyMixSummary, 92, ImportKind::kReadyMixInvoices};
constexpr int kItemGroups = 4;

// One line row per item group whose quantity, unit price, amount and VAT do
// not all read as 0, numbered 1, 2, ... in `seri`.
void AddLineRows(RecordContext& context, const InvoiceLayout& layout, const std::string& customerCode) {
  std::int16_t lineNumber = 1;
  for (int group = 0; group < kItemGroups; ++group) {
    RowValues row(context.record, layout.line, group * layout.groupStride);
    if (row.Number("D31_qty") == 0 && row.Number("D31_pri") == 0 && row.Number("D31_amt") == 0 &&
        row.Number("D31_vat") == 0)
      continue;
    if (layout.heldCodeKind) row.Supply("D11_code", customerCode);
    row.Supply("seri", lineNumber++);
    context.WriteRow(row);
  }
}

// The invoice's summary row in k56_YYMM of its date, on a recordset of its
// own. Reports every failure itself and returns, so the run goes on.
void AddSummaryRow(RecordContext& context, const InvoiceLayout& layout, const std::string& customerCode) {
  RunSink& sink = context.run.sink;
  dbf::Recordset summary;
  try {
    RowValues row(context.record, layout.summary);
    const std::string table = DatedTableName("k56_", TableNameRule::kMonthly, row.Text("s_date"));
    if (!TableExists(context.session(), table)) {
      sink.Message(MissingDatedTableMessage(table));
      return;
    }
    if (layout.heldCodeKind) row.Supply("D11_code", customerCode);
    row.Convert();  // a bad total leaves no half row
    OpenTable(context.session(), summary, table);
    context.WriteRow(row, summary);
    summary.Close();
  } catch (const std::exception& error) {
    sink.Message(LinePrefix(context.LineNumber()) + error.what());
    CloseReporting(sink, &summary);
  }
}

void ImportInvoices(Run& run, const InvoiceLayout& layout) {
  DatedTableSwitch lineTables("K57_", TableNameRule::kMonthly, /*checkExists=*/true);
  RunImport(run, RunSetup{}, [&](RecordContext& context) {
    const RowValues header(context.record, layout.line.first(1));
    // A zero month or day would name no monthly table: say which record lacks it.
    header.RequireMonthAndDay("D31_date");
    std::string customerCode;
    if (layout.heldCodeKind) {
      // The record names its customer only; a blank name continues the
      // customer above it.
      const RowValues summary(context.record, layout.summary);
      customerCode = mod거래처::UpdateHeldCustomerCode(run, *layout.heldCodeKind, summary.Text("D11_cname"),
                                                        context.LineNumber());
    }
    lineTables.SwitchTo(context, header.Text("D31_date"));
    AddLineRows(context, layout, customerCode);
    AddSummaryRow(context, layout, customerCode);
  });
}

}  // namespace

void ImportGTaxInvoices(Run& run) { ImportInvoices(run, kGInvoice); }

void ImportReadyMixInvoices(Run& run) { ImportInvoices(run, kReadyMixInvoice); }

std::span<const ColumnRule> GInvoiceLayout() { return kGLine; }
std::span<const ColumnRule> ReadyMixInvoiceLayout() { return kReadyMixLine; }

}  // namespace mod세금
