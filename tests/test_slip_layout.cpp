// The delivery slip record: byte positions and the codes built from them.
#include <gtest/gtest.h>

#include <string>

#include "common/fields.h"
#include "common/import_run.h"
#include "import/slips.h"

namespace {

using mod송장::CutDeliverySlipRecord;
using mod송장::DeliverySlipRecord;
using ModMain::Cp949;

// Filler that is not a blank, so a field cut a byte off picks it up.
std::string Filler(int width) { return std::string(static_cast<std::size_t>(width), '#'); }

void Put(std::string& record, int start, int length, const std::string& text) {
  ASSERT_LE(static_cast<int>(text.size()), length);
  std::string field = text + std::string(static_cast<std::size_t>(length) - text.size(), ' ');
  record.replace(static_cast<std::size_t>(start) - 1, field.size(), field);
}

std::string SlipRecord() {
  std::string record = Filler(191);
  Put(record, 1, 2, "24");
  Put(record, 3, 2, "01");
  Put(record, 5, 2, "15");
  Put(record, 7, 3, "012");
  Put(record, 11, 3, "023");
  Put(record, 15, 20, Cp949("(주)한라건설"));
  Put(record, 36, 1, "1");
  Put(record, 38, 20, Cp949("송도 현장"));
  Put(record, 59, 3, "045");
  Put(record, 63, 8, Cp949("경기12가"));
  Put(record, 72, 4, "3456");
  Put(record, 77, 8, Cp949("김철수"));
  Put(record, 86, 4, "0930");
  Put(record, 96, 2, "07");
  Put(record, 99, 8, "25-240");
  Put(record, 108, 3, "006");
  Put(record, 112, 1, "5");
  Put(record, 133, 10, Cp949("비고"));
  Put(record, 144, 40, Cp949("인천 연수구 송도동 1-1"));
  Put(record, 185, 6, Cp949("검사"));
  return record;
}

TEST(DeliverySlipLayout, EveryFieldAndTheCodesBuiltFromThem) {
  const DeliverySlipRecord slip = CutDeliverySlipRecord(SlipRecord());
  EXPECT_EQ(slip.dateText, "24/01/15");
  EXPECT_EQ(slip.number, "012");
  EXPECT_EQ(slip.customerCode, "100023");
  EXPECT_EQ(slip.customerName, Cp949("(주)한라건설"));
  EXPECT_EQ(slip.siteCode, "0231");
  EXPECT_EQ(slip.siteName, Cp949("송도 현장"));
  EXPECT_EQ(slip.vehicleCode, "1045");
  EXPECT_EQ(slip.plate, Cp949("경기12가") + "-3456");
  EXPECT_EQ(slip.name, Cp949("김철수"));
  EXPECT_EQ(slip.time, "0930");
  EXPECT_EQ(slip.mixCode, "107");
  EXPECT_EQ(slip.mixName, "25-240");
  EXPECT_EQ(slip.volumeText, "006.5");
  EXPECT_DOUBLE_EQ(ModMain::LeadingNumber(slip.volumeText), 6.5);
  EXPECT_EQ(slip.text10, Cp949("비고"));
  EXPECT_EQ(slip.text40, Cp949("인천 연수구 송도동 1-1"));
  EXPECT_EQ(slip.checkContent, Cp949("검사"));
}

TEST(DeliverySlipLayout, BlankPartsAreTrimmedBeforeTheyAreJoined) {
  std::string record = SlipRecord();
  Put(record, 63, 8, "");
  Put(record, 72, 4, "");
  Put(record, 108, 3, "");
  Put(record, 112, 1, "");
  Put(record, 185, 6, "");
  const DeliverySlipRecord slip = CutDeliverySlipRecord(record);
  EXPECT_EQ(slip.plate, "-");
  EXPECT_EQ(slip.volumeText, ".");
  EXPECT_DOUBLE_EQ(ModMain::LeadingNumber(slip.volumeText), 0.0);
  EXPECT_EQ(slip.checkContent, "");
}

TEST(DeliverySlipLayout, TheDateTextNamesTheDailyTable) {
  const DeliverySlipRecord slip = CutDeliverySlipRecord(SlipRecord());
  EXPECT_EQ(ModMain::DatedTableName("so", ModMain::TableNameRule::kDaily, slip.dateText),
            "so240115");
}

}  // namespace
