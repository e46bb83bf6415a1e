// The one import-run shape: list rows, progress, the last-line rule, the
// missing-table and error paths, stopping, the dated-table switch.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/fields.h"
#include "common/import_run.h"
#include "support/dbfread_oracle.h"
#include "support/recording_view.h"
#include "support/scratch_dir.h"

using namespace ModMain;

namespace {

const char* const kMissingVehicles = "차량 테이블이 없습니다.\r\n테이블을 확인하고 다시 시도하십시오.";

class ImportRunTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenTargetDatabase(shell_, dir_.Path()); }

  void MakeTable(const std::string& name) {
    dbf::CreateTable(dir_.File(name + ".dbf"), 0x30, 0x79,
                     {{"code", 'C', 6, 0, false}, {"price", 'N', 10, 0, false},
                      {"sdate", 'D', 8, 0, false}});
  }

  std::vector<OracleRow> Rows(const std::string& table) {
    CloseTargetDatabase(shell_);  // flushes and lets another reader in
    auto rows = ReadWithDbfread(dir_.File(table + ".dbf"));
    OpenTargetDatabase(shell_, dir_.Path());
    return rows;
  }

  // Writes the code (bytes 1-3) and the price (bytes 5-8, whole number).
  static void WriteCodeAndPrice(RecordContext& context) {
    std::string code = CutField(context.record, 1, 3);
    std::int32_t price = ToInt32(CutField(context.record, 5, 4), "단가");
    context.AddRow();
    context.recordset.SetValue("code", code);
    context.recordset.SetValue("price", price);
    context.recordset.Update();
  }

  RunShape FixedTableSettings(const std::string& table) {
    RunShape settings;
    settings.fixedTable = table;
    settings.missingTableLabel = "차량";
    return settings;
  }

  ScratchDir dir_;
  RecordingView view_;
  ImportShell shell_{view_};
};

}  // namespace

TEST_F(ImportRunTest, ImportsAllButTheLastLineWithListRowsAndProgress) {
  MakeTable("carno");
  shell_.RecordLines = {"001 1200", "002   15", "\xB0\xA1  0007", "TOTAL 3"};
  RunImport(shell_, FixedTableSettings("carno"), WriteCodeAndPrice);

  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kCompleted);
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(view_.captions, std::vector<std::string>{"데이터 인서트"});
  EXPECT_EQ(view_.progressMinimum, 0);
  EXPECT_EQ(view_.progressMaximum, 3);
  EXPECT_EQ(view_.progressValues, (std::vector<int>{1, 2, 3}));
  ASSERT_EQ(view_.rows.size(), 3u);
  EXPECT_EQ(view_.rows[1].status, "성공");
  EXPECT_EQ(view_.rows[1].text, "001 1200");
  EXPECT_EQ(view_.rows[3].text, "가  0007");
  EXPECT_EQ(shell_.SharedRecordset, nullptr);
  EXPECT_EQ(shell_.RecordLines.size(), 4u);  // kept: this run does not free them

  auto rows = Rows("carno");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0], "001");
  EXPECT_EQ(rows[0][1], "1200");
  EXPECT_EQ(rows[1][1], "15");
  EXPECT_EQ(rows[2][0], "\xB0\xA1");  // the reader hands back CP949 bytes
  EXPECT_EQ(rows[2][1], "7");
  EXPECT_EQ(rows[2][2], "1899-12-30");  // blank default of the date column
}

TEST_F(ImportRunTest, EveryLineWhenAskedAndFreesRecordsAfterANormalEnd) {
  MakeTable("carno");
  shell_.RecordLines = {"001    1", "002    2"};
  RunShape settings = FixedTableSettings("carno");
  settings.includeLastLine = true;
  settings.freeRecordLines = true;
  RunImport(shell_, settings, WriteCodeAndPrice);
  EXPECT_EQ(view_.rows.size(), 2u);
  EXPECT_EQ(view_.progressMaximum, 2);
  EXPECT_EQ(view_.progressValue, 2);
  EXPECT_EQ(shell_.RecordLines, std::vector<std::string>{""});
  EXPECT_EQ(Rows("carno").size(), 2u);
}

TEST_F(ImportRunTest, OneLineFileImportsNothing) {
  MakeTable("carno");
  shell_.RecordLines = {"001    1"};
  RunImport(shell_, FixedTableSettings("carno"), WriteCodeAndPrice);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kCompleted);
  EXPECT_EQ(view_.progressMinimum, 0);
  EXPECT_EQ(view_.progressMaximum, 0);
  EXPECT_TRUE(view_.rows.empty());
  EXPECT_EQ(view_.clears, 1);
  EXPECT_TRUE(Rows("carno").empty());
}

TEST_F(ImportRunTest, MissingFixedTableLeavesTheDisplayAlone) {
  view_.rows[1] = {"성공", "earlier run"};
  shell_.RecordLines = {"001    1", "002    2", "end"};
  RunImport(shell_, FixedTableSettings("carno"), WriteCodeAndPrice);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kEndedEarly);
  EXPECT_EQ(view_.messages, std::vector<std::string>{kMissingVehicles});
  EXPECT_TRUE(view_.captions.empty());
  EXPECT_EQ(view_.clears, 0);
  EXPECT_EQ(view_.rows.size(), 1u);
  EXPECT_EQ(view_.progressMaximum, -1);
  EXPECT_EQ(shell_.SharedRecordset, nullptr);
  EXPECT_EQ(shell_.RecordLines.size(), 3u);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("carno.dbf")));
}

TEST_F(ImportRunTest, FailureAtRecordKKeepsKRowsAndNamesTheLine) {
  MakeTable("carno");
  shell_.RecordLines = {"001    1", "002    2", "003  x12", "004    4", "end"};
  RunShape settings = FixedTableSettings("carno");
  settings.freeRecordLines = true;
  RunImport(shell_, settings, WriteCodeAndPrice);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kEndedEarly);
  EXPECT_EQ(view_.messages,
            std::vector<std::string>{"파일의 3번째 줄: 단가 'x12'을(를) 정수로 바꿀 수 없습니다."});
  EXPECT_EQ(view_.rows.size(), 2u);
  EXPECT_EQ(view_.progressValue, 2);
  EXPECT_EQ(shell_.SharedRecordset, nullptr);
  EXPECT_EQ(shell_.RecordLines.size(), 5u);  // not freed after an error
  auto rows = Rows("carno");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1][0], "002");
}

TEST_F(ImportRunTest, TableLayerErrorsTakeTheErrorPathWithTheLineNumber) {
  MakeTable("carno");
  shell_.RecordLines = {"001", "002", "end"};
  RunImport(shell_, FixedTableSettings("carno"), [](RecordContext& context) {
    context.AddRow();
    if (context.index == 1) context.recordset.SetValue("no_such_column", std::string("x"));
    context.recordset.Update();
  });
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_EQ(view_.messages[0].rfind("파일의 2번째 줄: ", 0), 0u) << view_.messages[0];
  EXPECT_EQ(view_.rows.size(), 1u);
  EXPECT_EQ(Rows("carno").size(), 1u);
}

TEST_F(ImportRunTest, OpenFailureBeforeTheLoopHasNoLineNumber) {
  shell_.RecordLines = {"001", "end"};
  RunShape settings;  // no existence check: the open itself fails
  settings.fixedTable = "vdrs110";
  RunImport(shell_, settings, WriteCodeAndPrice);
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_EQ(view_.messages[0].find("파일의"), std::string::npos);
  EXPECT_NE(view_.messages[0].find("vdrs110"), std::string::npos);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kEndedEarly);
}

TEST_F(ImportRunTest, WithoutAConnectionTheRunNamesTheTableDirectory) {
  RecordingView view;
  ImportShell shell(view);
  const std::string missing = dir_.File("no_such_dir");
  OpenTargetDatabase(shell, missing);
  ASSERT_EQ(view.messages.size(), 1u);  // the failed open is shown
  EXPECT_EQ(shell.SharedConnection, nullptr);
  shell.RecordLines = {"001    1", "end"};
  RunImport(shell, FixedTableSettings("carno"), WriteCodeAndPrice);
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(view.messages[1], "테이블 폴더 '" + missing +
                                  "'에 연결되어 있지 않습니다. 폴더를 확인하고 프로그램을 다시 "
                                  "시작하십시오.");
  EXPECT_EQ(shell.lastOutcome, RunOutcome::kEndedEarly);
  CloseTargetDatabase(shell);
  EXPECT_EQ(view.messages.size(), 2u);  // closing after a failed open says nothing
}

TEST_F(ImportRunTest, StopRequestEndsQuietlyAfterTheCurrentRecord) {
  MakeTable("carno");
  shell_.RecordLines = {"001    1", "002    2", "003    3", "004    4", "end"};
  view_.stopAfterRows = 2;
  RunImport(shell_, FixedTableSettings("carno"), WriteCodeAndPrice);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kEndedEarly);
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(shell_.SharedRecordset, nullptr);
  EXPECT_EQ(Rows("carno").size(), 2u);
}

TEST_F(ImportRunTest, AStopBeforeTheFirstRecordWritesNothing) {
  MakeTable("carno");
  shell_.RecordLines = {"001 1200", "002   15", "TOTAL 2"};
  view_.stopAfterRows = 0;  // the window was closed while the file was loading
  RunImport(shell_, FixedTableSettings("carno"), WriteCodeAndPrice);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kEndedEarly);
  EXPECT_TRUE(view_.rows.empty());
  EXPECT_EQ(shell_.SharedRecordset, nullptr);
  EXPECT_TRUE(Rows("carno").empty());
}

TEST_F(ImportRunTest, AnIndexNotKeptCurrentGivesOneNotice) {
  std::filesystem::path fixtures = FIXTURES_DIR;
  for (const char* extension : {".dbf", ".fpt", ".cdx"}) {
    std::filesystem::copy_file(fixtures / (std::string("fox2_cdx") + extension),
                               dir_.File(std::string("fox2_cdx") + extension));
  }
  // Its .cdx is kept current; a Clipper index beside it is not.
  std::filesystem::copy_file(fixtures / "fox2_cdx.cdx", dir_.File("FOX2_CDX.NTX"));
  shell_.RecordLines = {"100777", "100778", "end"};
  RunShape settings;
  settings.fixedTable = "fox2_cdx";
  RunImport(shell_, settings, [](RecordContext& context) {
    context.AddRow();
    context.recordset.SetValue("D11_CODE", context.record);
    context.recordset.Update();
  });
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kCompleted);
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_NE(view_.messages[0].find("fox2_cdx의 FOX2_CDX.NTX"), std::string::npos) << view_.messages[0];
  EXPECT_EQ(view_.messages[0].find(".cdx"), std::string::npos) << view_.messages[0];
  EXPECT_EQ(Rows("fox2_cdx").size(), 4u);
  // The notice names the tables of one run only.
  shell_.RecordLines = {"x"};
  RunImport(shell_, settings, [](RecordContext&) {});
  EXPECT_EQ(view_.messages.size(), 1u);
}

TEST_F(ImportRunTest, DatedTableSwitchStopsAtAMissingMonth) {
  MakeTable("k31_0403");
  shell_.RecordLines = {"0403 2004/03/31", "0403 2004/03/31", "0404 2004/04/01", "end"};
  DatedTableSwitch tables("k31_", TableNameRule::kMonthly, true);
  RunShape settings;
  RunImport(shell_, settings, [&](RecordContext& context) {
    tables.SwitchTo(context, CutField(context.record, 6, 10));
    context.AddRow();
    context.recordset.SetValue("code", CutField(context.record, 1, 4));
    context.recordset.Update();
  });
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kEndedEarly);
  EXPECT_EQ(view_.messages, std::vector<std::string>{
                                "k31_0404.dbf 테이블이 없습니다.\r\n테이블을 확인하고 다시 시도하십시오."});
  EXPECT_EQ(view_.rows.size(), 2u);
  EXPECT_EQ(Rows("k31_0403").size(), 2u);
}

TEST_F(ImportRunTest, DatedTableSwitchWithoutCheckTakesTheErrorPath) {
  shell_.RecordLines = {"0403 2004/03/31", "end"};
  DatedTableSwitch tables("k31_", TableNameRule::kMonthly, false);
  RunImport(shell_, RunShape{}, [&](RecordContext& context) {
    tables.SwitchTo(context, CutField(context.record, 6, 10));
  });
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_EQ(view_.messages[0].rfind("파일의 1번째 줄: ", 0), 0u);
  EXPECT_NE(view_.messages[0].find("k31_0403"), std::string::npos);
}

TEST(DatedTableName, MonthlyAndDailyNames) {
  EXPECT_EQ(DatedTableName("k31_", TableNameRule::kMonthly, "2004/03/15"), "k31_0403");
  EXPECT_EQ(DatedTableName("K57_", TableNameRule::kMonthly, "2004/3/15"), "K57_043/");
  EXPECT_EQ(DatedTableName("so", TableNameRule::kDaily, "24/01/15"), "so240115");
  EXPECT_EQ(MissingTableMessage("현장"), "현장 테이블이 없습니다.\r\n테이블을 확인하고 다시 시도하십시오.");
  EXPECT_EQ(MissingDatedTableMessage("so240115"),
            "so240115.dbf 테이블이 없습니다.\r\n테이블을 확인하고 다시 시도하십시오.");
}

TEST(ConnectionString, NamesTheTableDirectory) {
  EXPECT_EQ(ConnectionString("/srv/app"),
            "Driver={Microsoft Visual Foxpro Driver};UID=;SourceType=DBF;SourceDB=/srv/app;"
            "Exclusive=No");
  EXPECT_EQ(ConnectionString("/srv/app/"), ConnectionString("/srv/app"));
  EXPECT_NE(ConnectionString("/").find("SourceDB=/;"), std::string::npos);
}
