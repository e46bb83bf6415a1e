// Collection imports: G collections (kind 3) and ready-mix collections
// (kind 9), one row per amount into the monthly collection table k32_YYMM of
// the record's date.
#include "import/collections.h"

#include <array>
#include <cstdint>

#include "common/fields.h"
#include "common/import_run.h"
#include "import/date_or_zero.h"
#include "import/imports.h"

namespace mod수금 {

using ModMain::CutField;
using ModMain::Field;

namespace {

// "G수금.txt": 1-based byte positions and lengths.
namespace g_layout {
constexpr Field kYear{1, 4}, kMonth{5, 2}, kDay{7, 2};
constexpr Field kCustomerNumber{9, 3};
constexpr Field kCustomerName{23, 24};
constexpr Field kFirstAmount{47, 12}, kSecondAmount{59, 12};
}  // namespace g_layout

// "레미콘수금.txt": 1-based byte positions and lengths.
namespace rm_layout {
constexpr Field kYear{1, 4}, kMonth{5, 2}, kDay{7, 2};
constexpr Field kCustomerName{33, 30};
constexpr Field kFirstAmount{64, 12}, kSecondAmount{77, 12};
constexpr Field kSecondAmountText{121, 10}, kSecondAmountNumber{132, 12};
constexpr Field kFirstDetailYear{145, 4}, kFirstDetailMonth{149, 2}, kFirstDetailDay{151, 2};
constexpr Field kSecondDetailYear{154, 4}, kSecondDetailMonth{158, 2}, kSecondDetailDay{160, 2};
}  // namespace rm_layout

constexpr const char* kMonthlyCollectionPrefix = "k32_";
// Field names in the failure descriptions, first and second amount.
constexpr std::array<const char*, 2> kAmountLabels = {"첫째 금액", "둘째 금액"};

}  // namespace

GCollectionRecord CutGCollectionRecord(const std::string& record) {
  using namespace g_layout;
  GCollectionRecord r;
  r.year = CutField(record, kYear);
  r.month = CutField(record, kMonth);
  r.day = CutField(record, kDay);
  r.customerNumber = CutField(record, kCustomerNumber);
  r.customerName = CutField(record, kCustomerName);
  r.firstAmount = CutField(record, kFirstAmount);
  r.secondAmount = CutField(record, kSecondAmount);
  return r;
}

ReadyMixCollectionRecord CutReadyMixCollectionRecord(const std::string& record) {
  using namespace rm_layout;
  ReadyMixCollectionRecord r;
  r.year = CutField(record, kYear);
  r.month = CutField(record, kMonth);
  r.day = CutField(record, kDay);
  r.customerName = CutField(record, kCustomerName);
  r.firstAmount = CutField(record, kFirstAmount);
  r.secondAmount = CutField(record, kSecondAmount);
  r.secondAmountText = CutField(record, kSecondAmountText);
  r.secondAmountNumber = CutField(record, kSecondAmountNumber);
  r.firstDetailYear = CutField(record, kFirstDetailYear);
  r.firstDetailMonth = CutField(record, kFirstDetailMonth);
  r.firstDetailDay = CutField(record, kFirstDetailDay);
  r.secondDetailYear = CutField(record, kSecondDetailYear);
  r.secondDetailMonth = CutField(record, kSecondDetailMonth);
  r.secondDetailDay = CutField(record, kSecondDetailDay);
  return r;
}

void ImportGCollections(ModMain::ImportShell& shell) {
  ModMain::DatedTableSwitch tables(kMonthlyCollectionPrefix, ModMain::TableNameRule::kMonthly,
                                   /*checkExists=*/true);
  ModMain::RunImport(shell, ModMain::RunShape{}, [&](ModMain::RecordContext& context) {
    const GCollectionRecord r = CutGCollectionRecord(context.record);
    const std::string dateText = ModMain::DateText(r.year, r.month, r.day);
    const std::string customerCode = "100" + r.customerNumber;
    const std::array<std::string, 2> texts = {r.firstAmount, r.secondAmount};
    const std::array<double, 2> amounts = {ModMain::LeadingNumber(r.firstAmount),
                                           ModMain::LeadingNumber(r.secondAmount)};
    tables.SwitchTo(context, dateText);

    // Both amounts are rounded before any row is added, so a record whose
    // second amount is out of range does not leave half of its rows behind.
    std::array<std::int32_t, 2> rowAmounts{};
    for (int k = 0; k < 2; ++k) {
      if (amounts[k] != 0) rowAmounts[k] = ModMain::RoundToInt32(amounts[k], texts[k], kAmountLabels[k]);
    }
    for (int k = 0; k < 2; ++k) {
      if (amounts[k] == 0) continue;
      context.AddRow();
      dbf::Recordset& row = context.recordset;
      row.SetValue("D32_date", dateText);
      row.SetValue("D11_code", customerCode);
      row.SetValue("D11_cname", r.customerName);
      row.SetValue("D32_cgubun", static_cast<std::int16_t>(k + 1));
      row.SetValue("D32_amt", rowAmounts[k]);
      row.SetValue("D32_total", rowAmounts[k]);
      row.Update();
    }
  });
}

void ImportReadyMixCollections(ModMain::ImportShell& shell) {
  ModMain::DatedTableSwitch tables(kMonthlyCollectionPrefix, ModMain::TableNameRule::kMonthly,
                                   /*checkExists=*/true);
  ModMain::RunImport(shell, ModMain::RunShape{}, [&](ModMain::RecordContext& context) {
    const ReadyMixCollectionRecord r = CutReadyMixCollectionRecord(context.record);
    // A collection without month or day has no monthly table: say so plainly.
    if (!ModMain::HasMonthAndDay(r.month, r.day)) ModMain::ThrowNoMonthOrDay(r.month, r.day);
    const std::string recordDate = ModMain::DateText(r.year, r.month, r.day);
    mod거래처::UpdateHeldCustomerCode(shell, r.customerName, shell.heldCustomerCodeCollections,
                                      context.LineNumber());
    const std::array<std::int32_t, 2> amounts = {
        ModMain::ToInt32(r.firstAmount, kAmountLabels[0]),
        ModMain::ToInt32(r.secondAmount, kAmountLabels[1])};
    const dbf::Value firstDetailDate =
        ModMain::DateValueOrZero(r.firstDetailYear, r.firstDetailMonth, r.firstDetailDay);
    const dbf::Value secondDetailDate =
        ModMain::DateValueOrZero(r.secondDetailYear, r.secondDetailMonth, r.secondDetailDay);
    tables.SwitchTo(context, recordDate);

    const std::string& customerCode = shell.heldCustomerCodeCollections;
    int rowNumber = 1;
    for (int k = 0; k < 2; ++k) {
      if (amounts[k] <= 0) continue;
      context.AddRow();
      dbf::Recordset& row = context.recordset;
      row.SetValue("D32_date", recordDate);
      row.SetValue("D11_code", customerCode);
      row.SetValue("D11_cname", r.customerName);
      row.SetValue("D32_amt", amounts[k]);
      row.SetValue("D32_total", amounts[k]);
      row.SetValue("D32_cgubun", std::to_string(k + 1));
      row.SetValue("d32_si", std::to_string(rowNumber));
      ++rowNumber;
      if (k == 1) {
        row.SetValue("D32_b_posi", r.secondAmountText);
        row.SetValue("D32_b_no", r.secondAmountNumber);
        row.SetValue("D32_b_wday", firstDetailDate);
        row.SetValue("D32_b_oday", secondDetailDate);
      }
      row.Update();
    }
  });
}

}  // namespace mod수금
