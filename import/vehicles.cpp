// Kind 1: G vehicles, one row of carno per record.
#include "common/fields.h"
#include "common/import_run.h"
#include "import/imports.h"

namespace mod차량 {
namespace {

using ModMain::Field;

// 1-based byte positions of a G vehicle record; bytes 4, 17, 28, 37-39 and
// 42 onward are not read.
constexpr Field kVehicleCode{1, 3};
constexpr Field kRegistration{5, 12};
constexpr Field kOwner{18, 10};
constexpr Field kName{29, 8};
constexpr Field kCapacity{40, 2};

void WriteVehicle(ModMain::RecordContext& context) {
  const std::string& record = context.record;
  const std::string code = ModMain::CutField(record, kVehicleCode);
  const std::string registration = ModMain::CutField(record, kRegistration);
  const std::string owner = ModMain::CutField(record, kOwner);
  const std::string name = ModMain::CutField(record, kName);
  const double capacity = ModMain::LeadingNumber(ModMain::CutField(record, kCapacity));

  dbf::Recordset& vehicles = context.recordset;
  context.AddRow();
  vehicles.SetValue("cno", "1" + code);
  vehicles.SetValue("car_num", registration);
  vehicles.SetValue("owner", owner);
  vehicles.SetValue("name", name);
  vehicles.SetValue("car_cap", capacity);
  vehicles.Update();
}

}  // namespace

void ImportGVehicles(ModMain::ImportShell& shell) {
  ModMain::RunShape settings;
  settings.fixedTable = "carno";
  settings.missingTableLabel = "차량";
  ModMain::RunImport(shell, settings, WriteVehicle);
}

}  // namespace mod차량
