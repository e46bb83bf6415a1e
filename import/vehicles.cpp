// G vehicles: one row of carno per record.
#include "common/import_run.h"
#include "import/imports.h"

namespace mod차량 {
namespace {

using namespace ModMain;

// "G차량.txt", 41 bytes.
constexpr ColumnRule kVehicle[] = {
    Named("차량코드", Text("cno", {1, 3}, "1")),
    Named("차량번호", Text("car_num", {5, 12})),
    Named("차주", Text("owner", {18, 10})),
    Named("이름", Text("name", {29, 8})),
    Named("적재량", Number("car_cap", {40, 2})),
};

}  // namespace

void ImportGVehicles(Run& run) {
  RunSetup setup;
  setup.fixedTable = "carno";
  setup.missingTableLabel = "차량";
  RunImport(run, setup, [](RecordContext& context) {
    RowValues row(context.record, kVehicle);
    context.WriteRow(row);
  });
}

std::span<const ColumnRule> GVehicleLayout() { return kVehicle; }

}  // namespace mod차량
