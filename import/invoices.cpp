// Tax invoices: G (kind 4) and ready-mix (kind 10) invoices into the monthly
// line tables K57_ + YYMM and summary tables k56_ + YYMM.
#include "import/invoices.h"

#include <cstdint>
#include <exception>
#include <string>

#include "common/errors.h"
#include "common/import_run.h"
#include "import/imports.h"

namespace mod세금 {

using ModMain::CutField;
using ModMain::LeadingNumber;
using ModMain::RecordContext;

bool InvoiceItem::IsEmpty() const {
  return LeadingNumber(quantityText) == 0 && LeadingNumber(unitPriceText) == 0 &&
         LeadingNumber(amountText) == 0 && LeadingNumber(vatText) == 0;
}

std::string QuantityText(const std::string& integerPart, const std::string& decimalPart) {
  return integerPart + "." + decimalPart;
}

namespace {

// Cuts a field the layout may not carry (length 0): empty then.
std::string CutOptional(const std::string& record, Field field) {
  return field.length > 0 ? CutField(record, field) : std::string();
}

InvoiceItem CutItem(const std::string& record, const ItemGroupLayout& layout, int group) {
  InvoiceItem item;
  item.code = CutOptional(record, layout.At(group, layout.code));
  item.name = CutField(record, layout.At(group, layout.name));
  item.quantityText = QuantityText(CutField(record, layout.At(group, layout.quantityInteger)),
                                   CutField(record, layout.At(group, layout.quantityDecimal)));
  item.unitPriceText = CutField(record, layout.At(group, layout.unitPrice));
  item.vatText = CutField(record, layout.At(group, layout.vat));
  item.amountText = CutField(record, layout.At(group, layout.amount));
  return item;
}

// Closes the summary table after a failure (dropping a row not yet saved);
// a failing close is shown too, and the run still goes on.
void CloseReporting(ModMain::ImportShell& shell, dbf::Recordset& recordset) {
  try {
    recordset.Close();
  } catch (const std::exception& error) {
    shell.ShowMessage(error.what());
  }
}

}  // namespace

InvoiceRecord CutInvoiceRecord(const std::string& record, const InvoiceLayout& layout) {
  InvoiceRecord invoice;
  invoice.invoiceNumber = CutField(record, layout.invoiceNumber);
  if (layout.customerNumber.length > 0) {
    invoice.customerCode = "100" + CutField(record, layout.customerNumber);
  }
  const std::string month = CutField(record, layout.month);
  const std::string day = CutField(record, layout.day);
  // A zero month or day would name no monthly table; the clerk is told which
  // record lacks its date instead.
  if (!ModMain::HasMonthAndDay(month, day)) ModMain::ThrowNoMonthOrDay(month, day);
  invoice.dateText = ModMain::DateText(CutField(record, layout.year), month, day);
  invoice.customerName = CutField(record, layout.customerName);
  for (int group = 0; group < static_cast<int>(invoice.items.size()); ++group) {
    invoice.items[group] = CutItem(record, layout.items, group);
  }
  invoice.totalQuantityText =
      QuantityText(CutField(record, layout.totalQuantityInteger),
                   CutField(record, layout.totalQuantityDecimal));
  invoice.totalAmountText = CutField(record, layout.totalAmount);
  invoice.totalVatText = CutField(record, layout.totalVat);
  invoice.code = CutField(record, layout.code);
  return invoice;
}

void AddInvoiceSummaryRow(RecordContext& context, const InvoiceRecord& record) {
  ModMain::ImportShell& shell = context.shell;
  dbf::Recordset summary;
  try {
    const std::string table =
        ModMain::DatedTableName("k56_", ModMain::TableNameRule::kMonthly, record.dateText);
    if (!ModMain::TableExists(shell, table)) {
      shell.ShowMessage(ModMain::MissingDatedTableMessage(table));
      return;
    }
    // Converted before the row is added, so a bad total leaves no half row.
    const std::int16_t invoiceNumber = ModMain::ToInt16(record.invoiceNumber, "계산서번호");
    const double totalQuantity = LeadingNumber(record.totalQuantityText);
    const std::int32_t totalAmount = ModMain::ToInt32(record.totalAmountText, "합계금액");
    const std::int32_t totalVat = ModMain::ToInt32(record.totalVatText, "합계부가세");

    ModMain::OpenTable(shell, summary, table);
    context.AddRow(summary);
    summary.SetValue("D11_code", record.customerCode);
    summary.SetValue("D11_cname", record.customerName);
    summary.SetValue("d_gubun", std::string("1"));
    summary.SetValue("D52_si", invoiceNumber);
    summary.SetValue("s_date", record.dateText);
    summary.SetValue("e_date", record.dateText);
    summary.SetValue("d31_wdate", record.dateText);
    summary.SetValue("qty1", totalQuantity);
    summary.SetValue("amt1", totalAmount);
    summary.SetValue("vat1", totalVat);
    summary.SetValue("D52_yo", record.code);
    summary.Update();
    summary.Close();
  } catch (const std::exception& error) {
    shell.ShowMessage(ModMain::LinePrefix(context.LineNumber()) + error.what());
    CloseReporting(shell, summary);
  }
}

namespace {

// What differs between the two imports' line rows.
struct LineRowForm {
  bool writeItemCode;          // the ready-mix record has no item code
  bool invoiceNumberIs16Bit;  // D52_si as the ready-mix import writes it
};

// One line row per non-empty item group, numbered 1, 2, ... in `seri`.
void AddLineRows(RecordContext& context, const InvoiceRecord& record, LineRowForm form) {
  std::int16_t lineNumber = 1;
  for (const InvoiceItem& item : record.items) {
    if (item.IsEmpty()) continue;
    // Converted before the row is added, so a bad number leaves no half row.
    const double quantity = LeadingNumber(item.quantityText);
    const std::int32_t unitPrice = ModMain::ToInt32(item.unitPriceText, "단가");
    const std::int32_t amount = ModMain::ToInt32(item.amountText, "금액");
    const std::int32_t vat = ModMain::ToInt32(item.vatText, "부가세");
    dbf::Value invoiceNumber = form.invoiceNumberIs16Bit
                                   ? dbf::Value(ModMain::ToInt16(record.invoiceNumber, "계산서번호"))
                                   : dbf::Value(ModMain::ToInt32(record.invoiceNumber, "계산서번호"));

    dbf::Recordset& lines = context.recordset;
    context.AddRow();
    lines.SetValue("D31_date", record.dateText);
    lines.SetValue("D31_mgcode", std::string("1"));
    lines.SetValue("D11_code", record.customerCode);
    lines.SetValue("D11_cname", record.customerName);
    if (form.writeItemCode) lines.SetValue("D14_code", item.code);
    lines.SetValue("D14_name", item.name);
    lines.SetValue("D31_qty", quantity);
    lines.SetValue("D31_pri", unitPrice);
    lines.SetValue("D31_amt", amount);
    lines.SetValue("D31_vat", vat);
    lines.SetValue("D52_si", invoiceNumber);
    lines.SetValue("D52_yo", record.code);
    lines.SetValue("seri", lineNumber);
    lines.Update();
    ++lineNumber;
  }
}

ModMain::DatedTableSwitch LineTableSwitch() {
  return ModMain::DatedTableSwitch("K57_", ModMain::TableNameRule::kMonthly, true);
}

}  // namespace

void ImportGTaxInvoices(ModMain::ImportShell& shell) {
  ModMain::RunShape shape;
  shape.yieldPerRecord = false;
  shape.freeRecordLines = true;
  ModMain::DatedTableSwitch lineTable = LineTableSwitch();
  ModMain::RunImport(shell, shape, [&lineTable](RecordContext& context) {
    const InvoiceRecord record = CutInvoiceRecord(context.record, kGInvoiceLayout);
    lineTable.SwitchTo(context, record.dateText);
    AddLineRows(context, record, {.writeItemCode = true, .invoiceNumberIs16Bit = false});
    AddInvoiceSummaryRow(context, record);
  });
}

void ImportReadyMixInvoices(ModMain::ImportShell& shell) {
  ModMain::RunShape shape;
  shape.yieldPerRecord = true;
  shape.freeRecordLines = true;
  ModMain::DatedTableSwitch lineTable = LineTableSwitch();
  ModMain::RunImport(shell, shape, [&lineTable](RecordContext& context) {
    InvoiceRecord record = CutInvoiceRecord(context.record, kReadyMixInvoiceLayout);
    // The record names its customer only; the code is held from record to
    // record (a blank name continues the customer above it).
    mod거래처::UpdateHeldCustomerCode(context.shell, record.customerName,
                                      context.shell.heldCustomerCodeInvoices,
                                      context.LineNumber());
    record.customerCode = context.shell.heldCustomerCodeInvoices;
    lineTable.SwitchTo(context, record.dateText);
    AddLineRows(context, record, {.writeItemCode = false, .invoiceNumberIs16Bit = true});
    AddInvoiceSummaryRow(context, record);
  });
}

}  // namespace mod세금
