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
    Named("송장일자", Date("Date", {1, 2}, {3, 2}, {5, 2})),
    Int16("cono", {7, 3}, "번호"),
    Named("거래처코드", Text("scode", kCustomerNumber, "100")),
    Named("상호", Text("saho", {15, 20})),
    // The site the customer import stored under the customer number and position.
    Named("현장코드", Joined("hcode", "", kCustomerNumber, {36, 1})),
    Named("현장명", Text("hyun", {38, 20})),
    Named("차량코드", Text("cno", {59, 3}, "1")),
    Named("차량번호", Joined("car_num", "-", {63, 8}, {72, 4})),
    Named("이름", Text("name", {77, 8})),
    Named("시간", Text("time", {86, 4})),
    Named("배합코드", Text("bcode", {96, 2}, "1")),
    Named("배합", Text("bhap", {99, 8})),
    Named("물량", Decimal("lube", {108, 3}, {112, 1})),
    Named("비고 1", Text("s_ger", {133, 10})),
    Named("비고 2", Text("s_hyun", {144, 40})),
    Supplied("chek_cont"),
    Supplied("chek"),
};
constexpr Field kCheckContent{185, 6};

}  // namespace

void ImportDeliverySlips(Run& run) {
  DatedTableSwitch dailyTables("so", TableNameRule::kDaily, /*checkExists=*/true);
  RunImport(run, RunSetup{}, [&](RecordContext& context) {
    RowValues row(context.record, kSlip);
    dailyTables.SwitchTo(context, row, "Date");
    // Only a slip that carries a check content is marked as checked.
    const std::string check = CutField(context.record, kCheckContent);
    if (!check.empty()) {
      row.Supply("chek_cont", check);
      row.Supply("chek", std::int16_t{1});
    }
    context.WriteRow(row);
  });
}

std::span<const ColumnRule> SlipLayout() { return kSlip; }

}  // namespace mod송장
