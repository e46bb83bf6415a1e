// Tax invoices of both source families: the record layouts (as data), the
// parsed InvoiceRecord and the summary row shared by both imports.
#pragma once

#include <array>
#include <string>

#include "common/fields.h"
#include "common/import_run.h"

namespace mod세금 {

using ModMain::Field;

// One item group of an invoice, as cut (trimmed CP949 texts).
struct InvoiceItem {
  std::string code;          // empty in the ready-mix record, which has none
  std::string name;
  std::string quantityText;  // integer part + "." + hundredths, e.g. "12.50", ".50", "."
  std::string unitPriceText;
  std::string vatText;
  std::string amountText;

  // A group whose quantity, unit price, amount and VAT all read as 0 gives no
  // line row (and takes no line number).
  bool IsEmpty() const;
};

// One invoice: the record as both imports read it.
struct InvoiceRecord {
  std::string invoiceNumber;
  std::string customerCode;  // "100" + customer number (G); the held code (ready-mix)
  std::string dateText;      // "2024/01/15"
  std::string customerName;
  std::array<InvoiceItem, 4> items;
  std::string totalQuantityText;
  std::string totalAmountText;
  std::string totalVatText;
  std::string code;  // the 4-character invoice code (D52_yo)
};

// Fields of an item group by their offset in the group: start is the 0-based
// offset from the group's first byte. A length of 0 marks a field the group
// does not carry.
struct ItemGroupLayout {
  int firstGroupStart;  // 1-based byte position of group 1
  int stride;           // bytes from one group to the next
  Field code, name, quantityInteger, quantityDecimal, unitPrice, vat, amount;

  // The absolute field of group `group` (0..3) for an offset field.
  constexpr Field At(int group, Field offsetField) const {
    return Field{firstGroupStart + stride * group + offsetField.start, offsetField.length};
  }
};

struct InvoiceLayout {
  Field invoiceNumber;
  Field customerNumber;  // length 0: the customer comes from the lookup by name
  Field year, month, day;
  Field customerName;
  ItemGroupLayout items;
  Field totalQuantityInteger, totalQuantityDecimal, totalAmount, totalVat;
  Field code;
};

// The G tax invoice export: 87-byte item groups from byte 210, totals from 547.
inline constexpr InvoiceLayout kGInvoiceLayout{
    .invoiceNumber{1, 3},
    .customerNumber{5, 3},
    .year{17, 4},
    .month{21, 2},
    .day{23, 2},
    .customerName{51, 30},
    .items{.firstGroupStart = 210,
           .stride = 87,
           .code{0, 2},
           .name{3, 9},
           .quantityInteger{18, 5},
           .quantityDecimal{23, 2},
           .unitPrice{26, 8},
           .vat{48, 11},
           .amount{60, 12}},
    .totalQuantityInteger{547, 5},
    .totalQuantityDecimal{552, 2},
    .totalAmount{555, 12},
    .totalVat{568, 11},
    .code{580, 4}};

// The ready-mix invoice export: 92-byte item groups from byte 223 without an
// item code, totals from 573.
inline constexpr InvoiceLayout kReadyMixInvoiceLayout{
    .invoiceNumber{1, 3},
    .customerNumber{0, 0},
    .year{23, 4},
    .month{27, 2},
    .day{29, 2},
    .customerName{57, 30},
    .items{.firstGroupStart = 223,
           .stride = 92,
           .code{0, 0},
           .name{0, 9},
           .quantityInteger{15, 5},
           .quantityDecimal{20, 2},
           .unitPrice{23, 8},
           .vat{45, 11},
           .amount{57, 12}},
    .totalQuantityInteger{573, 5},
    .totalQuantityDecimal{578, 2},
    .totalAmount{581, 12},
    .totalVat{594, 11},
    .code{606, 4}};

// "12" and "50" -> "12.50"; "" and "50" -> ".50".
std::string QuantityText(const std::string& integerPart, const std::string& decimalPart);

// Cuts a record (CP949) into an InvoiceRecord. A month or day that reads as 0
// throws ImportFailure (the record has no date to name its tables by).
InvoiceRecord CutInvoiceRecord(const std::string& record, const InvoiceLayout& layout);

// Appends the invoice's summary row to k56_ + YYMM of its date on a recordset
// of its own. Reports every failure of its own (missing table, conversion,
// table error) with a message and returns, so the run goes on.
void AddInvoiceSummaryRow(ModMain::RecordContext& context, const InvoiceRecord& record);

}  // namespace mod세금
