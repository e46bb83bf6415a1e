// How the invoice and delivery slip runs behave in the window: whether they
// let the window breathe after each record, when they free the loaded
// records, and what a missing table leaves behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/fields.h"
#include "common/import_shell.h"
#include "import/imports.h"
#include "support/recording_view.h"
#include "support/scratch_dir.h"

using namespace ModMain;

namespace {

void Put(std::string& record, int start, const std::string& text) {
  record.replace(static_cast<std::size_t>(start) - 1, text.size(), text);
}

// A G invoice with one item group filled.
std::string GInvoice(const std::string& number, const std::string& month) {
  std::string record(616, ' ');
  Put(record, 1, number);
  Put(record, 5, "023");
  Put(record, 17, "2024");
  Put(record, 21, month);
  Put(record, 23, "15");
  Put(record, 210, "01");
  Put(record, 228, "   12");
  Put(record, 236, "   15000");
  Put(record, 258, "      18000");
  Put(record, 270, "      180000");
  Put(record, 555, "      180000");
  Put(record, 568, "      18000");
  return record;
}

// A ready-mix invoice with one item group and a blank customer name.
std::string ReadyMixInvoice(const std::string& number, const std::string& month) {
  std::string record(616, ' ');
  Put(record, 1, number);
  Put(record, 23, "2024");
  Put(record, 27, month);
  Put(record, 29, "15");
  Put(record, 238, "    6");
  Put(record, 246, "   50000");
  Put(record, 268, "      30000");
  Put(record, 280, "      300000");
  Put(record, 581, "      300000");
  Put(record, 594, "      30000");
  return record;
}

std::string Slip(const std::string& number, const std::string& day) {
  std::string record(191, ' ');
  Put(record, 1, "2401");
  Put(record, 5, day);
  Put(record, 7, number);
  Put(record, 11, "023");
  return record;
}

class InvoiceSlipRunTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenTargetDatabase(shell_, dir_.Path()); }

  void MakeLineTable(const std::string& name) {
    dbf::CreateTable(dir_.File(name + ".dbf"), 0x30, 0x79,
                     {{"D31_date", 'D', 8}, {"D31_mgcode", 'C', 1}, {"D11_code", 'C', 6},
                      {"D11_cname", 'C', 30}, {"D14_code", 'C', 3}, {"D14_name", 'C', 9},
                      {"D31_qty", 'N', 10, 2}, {"D31_pri", 'N', 10}, {"D31_amt", 'N', 12},
                      {"D31_vat", 'N', 11}, {"D52_si", 'N', 5}, {"D52_yo", 'C', 4},
                      {"seri", 'N', 3}});
  }
  void MakeSummaryTable(const std::string& name) {
    dbf::CreateTable(dir_.File(name + ".dbf"), 0x30, 0x79,
                     {{"D11_code", 'C', 6}, {"D11_cname", 'C', 30}, {"d_gubun", 'C', 1},
                      {"D52_si", 'N', 5}, {"s_date", 'D', 8}, {"e_date", 'D', 8},
                      {"d31_wdate", 'D', 8}, {"qty1", 'N', 10, 2}, {"amt1", 'N', 12},
                      {"vat1", 'N', 11}, {"D52_yo", 'C', 4}});
  }
  void MakeCustomerTable() {
    dbf::CreateTable(dir_.File("vdrs110.dbf"), 0x30, 0x79,
                     {{"D11_code", 'C', 6}, {"D11_cname", 'C', 30}});
  }
  void MakeSlipTable(const std::string& name) {
    dbf::CreateTable(dir_.File(name + ".dbf"), 0x30, 0x79,
                     {{"Date", 'D', 8}, {"cono", 'N', 4}, {"scode", 'C', 6}, {"saho", 'C', 20},
                      {"hcode", 'C', 4}, {"hyun", 'C', 20}, {"cno", 'C', 4},
                      {"car_num", 'C', 13}, {"name", 'C', 8}, {"time", 'C', 4},
                      {"bcode", 'C', 3}, {"bhap", 'C', 8}, {"lube", 'N', 5, 1},
                      {"s_ger", 'C', 10}, {"s_hyun", 'C', 40}, {"chek_cont", 'C', 6},
                      {"chek", 'N', 1}});
  }

  ScratchDir dir_;
  RecordingView view_;
  ImportShell shell_{view_};
};

const std::vector<std::string> kFreed{""};

TEST_F(InvoiceSlipRunTest, GInvoicesDoNotYieldAndFreeTheRecordsAtANormalEnd) {
  MakeLineTable("K57_2401");
  MakeSummaryTable("k56_2401");
  shell_.RecordLines = {GInvoice("001", "01"), GInvoice("002", "01"), "TOTAL"};
  mod세금::ImportGTaxInvoices(shell_);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kCompleted);
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(view_.eventCalls, 0);
  EXPECT_EQ(view_.rows.size(), 2u);
  EXPECT_EQ(view_.progressValues, (std::vector<int>{1, 2}));
  EXPECT_EQ(shell_.RecordLines, kFreed);
  EXPECT_EQ(shell_.SharedRecordset, nullptr);
}

TEST_F(InvoiceSlipRunTest, MissingSummaryTableIsStillANormalEndThatFreesTheRecords) {
  MakeLineTable("K57_2401");
  shell_.RecordLines = {GInvoice("001", "01"), GInvoice("002", "01"), "TOTAL"};
  mod세금::ImportGTaxInvoices(shell_);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kCompleted);
  ASSERT_EQ(view_.messages.size(), 2u);
  EXPECT_EQ(view_.messages[0],
            "k56_2401.dbf 테이블이 없습니다.\r\n테이블을 확인하고 다시 시도하십시오.");
  EXPECT_EQ(view_.rows.size(), 2u);
  EXPECT_EQ(shell_.RecordLines, kFreed);
}

TEST_F(InvoiceSlipRunTest, MissingLineTableKeepsTheLoadedRecords) {
  MakeLineTable("K57_2401");
  MakeSummaryTable("k56_2401");
  const std::vector<std::string> loaded = {GInvoice("001", "01"), GInvoice("002", "02"),
                                           "TOTAL"};
  shell_.RecordLines = loaded;
  mod세금::ImportGTaxInvoices(shell_);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kEndedEarly);
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_EQ(view_.messages[0],
            "K57_2402.dbf 테이블이 없습니다.\r\n테이블을 확인하고 다시 시도하십시오.");
  EXPECT_EQ(view_.rows.size(), 1u);
  EXPECT_EQ(view_.progressValues, std::vector<int>{1});
  EXPECT_EQ(shell_.RecordLines, loaded);
  EXPECT_EQ(shell_.SharedRecordset, nullptr);
}

TEST_F(InvoiceSlipRunTest, AConversionFailureKeepsTheLoadedRecords) {
  MakeLineTable("K57_2401");
  MakeSummaryTable("k56_2401");
  std::string bad = GInvoice("002", "01");
  Put(bad, 236, "   1x000");
  const std::vector<std::string> loaded = {GInvoice("001", "01"), bad, "TOTAL"};
  shell_.RecordLines = loaded;
  mod세금::ImportGTaxInvoices(shell_);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kEndedEarly);
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_NE(view_.messages[0].find("파일의 2번째 줄"), std::string::npos);
  EXPECT_NE(view_.messages[0].find("1x000"), std::string::npos);
  EXPECT_EQ(shell_.RecordLines, loaded);
}

TEST_F(InvoiceSlipRunTest, ReadyMixInvoicesYieldAfterEveryRecordAndFreeTheRecords) {
  MakeCustomerTable();
  MakeLineTable("K57_2401");
  MakeSummaryTable("k56_2401");
  shell_.RecordLines = {ReadyMixInvoice("001", "01"), ReadyMixInvoice("002", "01"),
                        ReadyMixInvoice("003", "01"), "TOTAL"};
  mod세금::ImportReadyMixInvoices(shell_);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kCompleted);
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(view_.eventCalls, 3);
  EXPECT_EQ(view_.rows.size(), 3u);
  EXPECT_EQ(shell_.RecordLines, kFreed);
}

TEST_F(InvoiceSlipRunTest, ReadyMixMissingLineTableKeepsTheLoadedRecords) {
  MakeCustomerTable();
  const std::vector<std::string> loaded = {ReadyMixInvoice("001", "03"), "TOTAL"};
  shell_.RecordLines = loaded;
  mod세금::ImportReadyMixInvoices(shell_);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kEndedEarly);
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_EQ(view_.messages[0].rfind("K57_2403.dbf ", 0), 0u);
  EXPECT_EQ(shell_.RecordLines, loaded);
}

TEST_F(InvoiceSlipRunTest, SlipsDoNotYieldAndFreeTheRecordsAtANormalEnd) {
  MakeSlipTable("so240115");
  MakeSlipTable("so240116");
  shell_.RecordLines = {Slip("001", "15"), Slip("002", "16"), Slip("003", "15"), "TOTAL"};
  mod송장::ImportDeliverySlips(shell_);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kCompleted);
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(view_.eventCalls, 0);
  EXPECT_EQ(view_.rows.size(), 3u);
  EXPECT_EQ(shell_.RecordLines, kFreed);
}

TEST_F(InvoiceSlipRunTest, SlipsMissingDailyTableKeepsTheLoadedRecords) {
  MakeSlipTable("so240115");
  const std::vector<std::string> loaded = {Slip("001", "15"), Slip("002", "17"), "TOTAL"};
  shell_.RecordLines = loaded;
  mod송장::ImportDeliverySlips(shell_);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kEndedEarly);
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_EQ(view_.messages[0],
            "so240117.dbf 테이블이 없습니다.\r\n테이블을 확인하고 다시 시도하십시오.");
  EXPECT_EQ(view_.rows.size(), 1u);
  EXPECT_EQ(shell_.RecordLines, loaded);
}

}  // namespace
