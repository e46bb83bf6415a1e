// Delivery slips: one row per delivery in the daily table soYYMMDD.
#include <cstdint>

#include "common/dated_tables.h"
#include "import/imports.h"

namespace mod송장 {
namespace {

using namespace ModMain;

// "S0*.txt", 191 bytes. The date has a two-digit year first ("24/01/15"),
// which the table layer widens.
constexpr Field kCustomerNumber{11, 3};
constexpr ColumnRule kSlip[] = {
    Date("Date", {1, 2}, {3, 2}, {5, 2}),
    Int16("cono", {7, 3}, "번호"),
    Text("scode", kCustomerNumber, "100"),
    Text("saho", {15, 20}),
    // The site the customer import stored under the customer number and position.
    Joined("hcode", "", kCustomerNumber, {36, 1}),
    Text("hyun", {38, 20}),
    Text("cno", {59, 3}, "1"),
    Joined("car_num", "-", {63, 8}, {72, 4}),
    Text("name", {77, 8}),
    Text("time", {86, 4}),
    Text("bcode", {96, 2}, "1"),
    Text("bhap", {99, 8}),
    Decimal("lube", {108, 3}, {112, 1}),
    Text("s_ger", {133, 10}),
    Text("s_hyun", {144, 40}),
    Supplied("chek_cont"),
    Supplied("chek"),
};
constexpr Field kCheckContent{185, 6};

}  // namespace

void ImportDeliverySlips(Run& run) {
  DatedTableSwitch dailyTables("so", TableNameRule::kDaily, /*checkExists=*/true);
  RunImport(run, RunSetup{}, [&](RecordContext& context) {
    RowValues row(context.record, kSlip);
    dailyTables.SwitchTo(context, row.Text("Date"));
    // Only a slip that carries a check content is marked as checked.
    const std::string check = CutField(context.record, kCheckContent);
    if (!check.empty()) {
      row.Supply("chek_cont", check);
      row.Supply("chek", std::int16_t{1});
    }
    context.WriteRow(row);
  });
}

}  // namespace mod송장
