// Delivery slips (kind 5): one row per delivery in the daily table so + YYMMDD.
#include "import/slips.h"

#include <cstdint>
#include <string>

#include "common/import_run.h"
#include "import/imports.h"

namespace mod송장 {

using ModMain::CutField;

DeliverySlipRecord CutDeliverySlipRecord(const std::string& record) {
  const DeliverySlipLayout& layout = kDeliverySlipLayout;
  DeliverySlipRecord slip;
  slip.dateText = ModMain::DateText(CutField(record, layout.year), CutField(record, layout.month),
                                    CutField(record, layout.day));
  slip.number = CutField(record, layout.number);
  const std::string customerNumber = CutField(record, layout.customerNumber);
  slip.customerCode = "100" + customerNumber;
  slip.customerName = CutField(record, layout.customerName);
  // The site code names the site the customer import stored under the same
  // customer number and position.
  slip.siteCode = customerNumber + CutField(record, layout.siteDigit);
  slip.siteName = CutField(record, layout.siteName);
  slip.vehicleCode = "1" + CutField(record, layout.vehicleNumber);
  slip.plate = CutField(record, layout.plateFirst) + "-" + CutField(record, layout.plateSecond);
  slip.name = CutField(record, layout.name);
  slip.time = CutField(record, layout.time);
  slip.mixCode = "1" + CutField(record, layout.mixNumber);
  slip.mixName = CutField(record, layout.mixName);
  slip.volumeText =
      CutField(record, layout.volumeInteger) + "." + CutField(record, layout.volumeTenths);
  slip.text10 = CutField(record, layout.text10);
  slip.text40 = CutField(record, layout.text40);
  slip.checkContent = CutField(record, layout.checkContent);
  return slip;
}

namespace {

void AddSlipRow(ModMain::RecordContext& context, const DeliverySlipRecord& slip) {
  // Converted before the row is added, so a bad number leaves no half row.
  const std::int16_t number = ModMain::ToInt16(slip.number, "번호");
  const double volume = ModMain::LeadingNumber(slip.volumeText);

  dbf::Recordset& table = context.recordset;
  context.AddRow();
  table.SetValue("Date", slip.dateText);  // the table layer widens the two-digit year
  table.SetValue("cono", number);
  table.SetValue("scode", slip.customerCode);
  table.SetValue("saho", slip.customerName);
  table.SetValue("hcode", slip.siteCode);
  table.SetValue("hyun", slip.siteName);
  table.SetValue("cno", slip.vehicleCode);
  table.SetValue("car_num", slip.plate);
  table.SetValue("name", slip.name);
  table.SetValue("time", slip.time);
  table.SetValue("bcode", slip.mixCode);
  table.SetValue("bhap", slip.mixName);
  table.SetValue("lube", volume);
  table.SetValue("s_ger", slip.text10);
  table.SetValue("s_hyun", slip.text40);
  // Only a slip that carries a check content is marked as checked.
  if (!slip.checkContent.empty()) {
    table.SetValue("chek_cont", slip.checkContent);
    table.SetValue("chek", std::int16_t{1});
  }
  table.Update();
}

}  // namespace

void ImportDeliverySlips(ModMain::ImportShell& shell) {
  ModMain::RunShape shape;
  shape.yieldPerRecord = false;
  shape.freeRecordLines = true;
  ModMain::DatedTableSwitch dailyTable("so", ModMain::TableNameRule::kDaily, true);
  ModMain::RunImport(shell, shape, [&dailyTable](ModMain::RecordContext& context) {
    const DeliverySlipRecord slip = CutDeliverySlipRecord(context.record);
    dailyTable.SwitchTo(context, slip.dateText);
    AddSlipRow(context, slip);
  });
}

}  // namespace mod송장
