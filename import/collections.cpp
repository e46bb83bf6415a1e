// Collections: G and ready-mix collections, one row per amount into the
// monthly collection table k32_YYMM of the record's date.
#include <array>
#include <cstdint>

#include "common/dated_tables.h"
#include "import/imports.h"

namespace mod수금 {
namespace {

using namespace ModMain;

// "G수금.txt", 70 bytes: the columns of both rows, and the two amounts.
constexpr ColumnRule kGCollection[] = {
    Named("수금일자", Date("D32_date", {1, 4}, {5, 2}, {7, 2})),
    Named("거래처코드", Text("D11_code", {9, 3}, "100")),
    Named("거래처명", Text("D11_cname", {23, 24})),
    Supplied("D32_cgubun"),  // 1 for the first amount, 2 for the second
    Supplied("D32_amt"),
    Supplied("D32_total"),
};
constexpr Field kGAmounts[2] = {{47, 12}, {59, 12}};

// "레미콘수금.txt", 225 bytes: the columns of both rows, the two amounts, and
// the details only the second amount's row carries.
constexpr ColumnRule kReadyMixCollection[] = {
    Named("수금일자", Date("D32_date", {1, 4}, {5, 2}, {7, 2})),
    Supplied("D11_code"),  // the held customer code
    Named("거래처명", Text("D11_cname", {33, 30})),
    Supplied("D32_amt"),
    Supplied("D32_total"),
    Supplied("D32_cgubun"),
    Supplied("d32_si"),  // 1, 2, ... over the rows the record writes
};
constexpr Field kReadyMixAmounts[2] = {{64, 12}, {77, 12}};
constexpr ColumnRule kReadyMixSecondAmountDetails[] = {
    Named("둘째 금액 내용", Text("D32_b_posi", {121, 10})),
    Named("둘째 금액 번호", Text("D32_b_no", {132, 12})),
    Named("둘째 금액 발행일", DateOrZero("D32_b_wday", {145, 4}, {149, 2}, {151, 2})),
    Named("둘째 금액 만기일", DateOrZero("D32_b_oday", {154, 4}, {158, 2}, {160, 2})),
};

constexpr const char* kMonthlyCollections = "k32_";
constexpr const char* kAmountLabels[2] = {"첫째 금액", "둘째 금액"};

}  // namespace

void ImportGCollections(Run& run) {
  DatedTableSwitch tables(kMonthlyCollections, TableNameRule::kMonthly, /*checkExists=*/true);
  RunImport(run, RunSetup{}, [&](RecordContext& context) {
    const RowValues cut(context.record, kGCollection);
    std::array<std::string, 2> texts;
    std::array<double, 2> amounts{};
    for (int k = 0; k < 2; ++k) {
      texts[k] = CutField(context.record, kGAmounts[k]);
      amounts[k] = LeadingNumber(texts[k]);
    }
    tables.SwitchTo(context, cut, "D32_date");
    // Both amounts are rounded before any row is added, so a record whose
    // second amount is out of range does not leave half of its rows behind.
    std::array<std::int32_t, 2> rounded{};
    for (int k = 0; k < 2; ++k)
      if (amounts[k] != 0) rounded[k] = RoundToInt32(amounts[k], texts[k], kAmountLabels[k]);
    for (int k = 0; k < 2; ++k) {
      if (amounts[k] == 0) continue;
      RowValues row = cut;
      row.Supply("D32_cgubun", static_cast<std::int16_t>(k + 1));
      row.Supply("D32_amt", rounded[k]);
      row.Supply("D32_total", rounded[k]);
      context.WriteRow(row);
    }
  });
}

void ImportReadyMixCollections(Run& run) {
  DatedTableSwitch tables(kMonthlyCollections, TableNameRule::kMonthly, /*checkExists=*/true);
  RunImport(run, RunSetup{}, [&](RecordContext& context) {
    const std::string& record = context.record;
    RowValues cut(record, kReadyMixCollection);
    // A collection without month or day has no monthly table: say so plainly.
    cut.RequireMonthAndDay("D32_date");
    const std::string code = mod거래처::UpdateHeldCustomerCode(run, ImportKind::kReadyMixCollections, cut.Text("D11_cname"),
                                                               context.LineNumber());
    std::array<std::int32_t, 2> amounts{};
    for (int k = 0; k < 2; ++k) amounts[k] = ToInt32(CutField(record, kReadyMixAmounts[k]), kAmountLabels[k]);
    const RowValues details(record, kReadyMixSecondAmountDetails);
    tables.SwitchTo(context, cut.Text("D32_date"));

    cut.Supply("D11_code", code);
    int rowNumber = 1;
    for (int k = 0; k < 2; ++k) {
      if (amounts[k] <= 0) continue;
      RowValues row = cut;
      row.Supply("D32_amt", amounts[k]);
      row.Supply("D32_total", amounts[k]);
      row.Supply("D32_cgubun", std::to_string(k + 1));
      row.Supply("d32_si", std::to_string(rowNumber++));
      if (k == 1) row.Append(details);
      context.WriteRow(row);
    }
  });
}

std::span<const ColumnRule> GCollectionLayout() { return kGCollection; }
std::span<const ColumnRule> ReadyMixCollectionLayout() { return kReadyMixCollection; }

}  // namespace mod수금
