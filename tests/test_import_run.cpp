// The record layouts' rules, and the one import-run shape (list rows,
// progress, the trailer rule, the error path) on tables read back by an
// independent reader. What a kind makes of them is tested end to end.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/import_run.h"
#include "common/session.h"
#include "import/pipeline.h"
#include "cli/sample_db.h"
#include "support/recording_view.h"
#include "support/test_support.h"

using namespace ModMain;

TEST(RowValues, EachRuleMakesItsValue) {
  static constexpr ColumnRule kLayout[] = {
      Text("a", {1, 2}, "1"), CodeOrEmpty("b", "100", {4, 2}), CodeOrEmpty("c", "100", {7, 2}),
      Joined("d", "-", {1, 2}, {4, 2}, {7, 2}), JoinedOrEmpty("e", "-", {7, 1}, {8, 1}),
      JoinedOrEmpty("f", "-", {4, 1}, {6, 2}), Number("g", {10, 4}), Decimal("h", {10, 2}, {12, 2}),
      Int32("i", {10, 4}, "금액"), Date("j", {15, 4}, {19, 2}, {21, 2}),
      Named("거래일자", DateOrZero("k", {15, 4}, {7, 2}, {21, 2})),
      Constant("l", "1"), Supplied("m"), InGroup(Text("n", {1, 2}))};
  const std::string record = "AB|CD|  |1235|20040315";
  RowValues row(record, kLayout, 3);
  row.Convert();
  std::map<std::string, dbf::Value> values;
  for (const auto& entry : row.Entries())
    if (entry.value) values[entry.rule->column] = *entry.value;
  const std::map<std::string, dbf::Value> expected = {
      {"a", "1AB"}, {"b", "100CD"}, {"c", ""}, {"d", "AB-CD-"}, {"e", ""}, {"f", "C-|"},
      {"g", 1235.0}, {"h", 12.35}, {"i", std::int32_t{1235}}, {"j", "2004/03/15"},
      {"k", dbf::Value(dbf::kZeroDate)}, {"l", "1"}, {"n", "CD"}};
  EXPECT_EQ(values, expected);
  row.Supply("m", std::int16_t{7});
  EXPECT_EQ(*row.Entries()[12].value, dbf::Value(std::int16_t{7}));
  try {  // a date without its month is a problem of its field, named as the clerk knows it
    row.RequireMonthAndDay("k");
    ADD_FAILURE();
  } catch (const ImportFailure& failure) {
    EXPECT_EQ(failure.Field() + "|" + failure.Text(), "거래일자|2004//15");
  }
  RowValues bad("AB|CD|  |12x5", kLayout);
  EXPECT_THROW(bad.Convert(), ImportFailure);
}

namespace {

struct Any {  // initializes any field: counts an aggregate's fields
  template <typename T>
  operator T() const;
};

// The check's copy of a session carries the whole carried state, whatever
// fields it has: one that is added must be filled in below to compile.
TEST(Session, TheCheckCarriesEveryCarriedField) {
  static_assert(!std::is_constructible_v<CarriedState, Any, Any, Any, Any> &&
                    std::is_constructible_v<CarriedState, Any, Any, Any>,
                "a carried field is filled in below");
  TempDir dir;
  Session session;
  RecordingView view;
  OpenTargetDatabase(session, dir.Path(), view);
  session.customerCodeMap.Add({"1A0001", "100001", "가나"});
  session.heldCustomerCodes[ImportKind::kReadyMixInvoices] = "200003";
  Session check = session.ForCheck();
  EXPECT_EQ(static_cast<CarriedState&>(check), static_cast<CarriedState&>(session));
  EXPECT_TRUE(check.SharedConnection && !check.journal);
}

// "중 지" during the whole-file check ends it at its next record: nothing is
// imported, and the plan says so.
TEST(Pipeline, AStopDuringTheCheckEndsItAtItsNextRecord) {
  struct StopAtTenthCheckedRecord : RecordingView {
    int checked = 0;  // the check's progress
    mutable int asked = 0;
    void SetProgressValue(int value) override {
      if (captions.back() == "검사") checked = value;
    }
    bool StopRequested() const override { return captions.back() == "검사" && ++asked > 10; }
  } view;
  struct Yes : PlanQuestions {
    void CheckRefused(const std::vector<PlanStep>&) override { ADD_FAILURE(); }
    bool ImportOtherLength(const PlanStep&) override { return true; }
    void JournalWarnings(const std::vector<std::string>&) override {}
    bool ImportAgain(const PlanStep&, const JournalRun&) override { return true; }
  } questions;
  TempDir dir;
  sampledb::MakeSampleDatabase(dir.File("db"));
  std::filesystem::create_directories(dir.File("files"));
  std::string records;
  for (int i = 0; i < 1000; ++i) records += "001|AAAAAAAAAAAA|CCCCCCCCCC|BBBBBBBB|||15\r\n";
  WriteBytes(dir.File("files/G차량.txt"), records + "999|TRAILER\r\n");
  Session session;
  OpenTargetDatabase(session, dir.File("db"), view);
  const StepRequest step{ImportKind::kGVehicles, dir.File("files"), "G차량.txt"};
  EXPECT_TRUE(RunPlan(session, {&step, 1}, {}, view, questions).notImported);
  CloseTargetDatabase(session, view);
  EXPECT_EQ(view.checked, 10);
  EXPECT_EQ(ReadRows(dir.File("db/carno.dbf")).size(), 0u);
}

class ImportRunTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenTargetDatabase(session_, dir_.Path(), view_); }

  void MakeTable(const std::string& name) {
    dbf::CreateTable(dir_.File(name + ".dbf"), 0x30, 0x79,
                     {{"code", 'C', 6, 0, false}, {"price", 'N', 10, 0, false}, {"sdate", 'D', 8, 0, false}});
  }

  std::vector<Row> Rows(const std::string& table) {
    CloseTargetDatabase(session_, view_);  // flushes and lets another reader in
    auto rows = ReadRows(dir_.File(table + ".dbf"));
    OpenTargetDatabase(session_, dir_.Path(), view_);
    return rows;
  }

  // The code (bytes 1-3) and the price (bytes 5-8, a whole number).
  static constexpr ColumnRule kLayout[] = {Text("code", {1, 3}), Int32("price", {5, 4}, "단가")};
  static void WriteRow(RecordContext& context) {
    RowValues row(context.record, kLayout);
    context.WriteRow(row);
  }

  // One run over `lines` as a real run makes it, shown on view_.
  RunReport Import(std::vector<std::string> lines, const RunSetup& setup, const RecordStep& step = WriteRow) {
    const ExportFile file{ImportKind::kGVehicles, std::move(lines), {}};
    ShowingSink sink(view_);
    ModMain::Run run{session_, file, sink, {}};
    RunImport(run, setup, step);
    FinishWrites(run);
    return run.report;
  }

  static RunSetup Vehicles(bool includeLastLine = false) {
    RunSetup setup;
    setup.fixedTable = "carno";
    setup.missingTableLabel = "차량";
    setup.includeLastLine = includeLastLine;
    return setup;
  }

  TempDir dir_;
  RecordingView view_;
  Session session_;
};

}  // namespace

TEST_F(ImportRunTest, AllButTheTrailerWithListRowsAndProgress) {
  MakeTable("carno");
  const RunReport report = Import({"001 1200", "002   15", "\xB0\xA1  0007", "TOTAL 3"}, Vehicles());
  EXPECT_EQ(report.end, RunEnd::kCompleted);
  EXPECT_EQ(report.rowsSaved, (std::map<std::string, int>{{"carno", 3}}));
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(view_.captions, std::vector<std::string>{"데이터 인서트"});
  EXPECT_EQ(view_.progressMaximum, 3);
  EXPECT_EQ(view_.progressValues, (std::vector<int>{1, 2, 3}));
  ASSERT_EQ(view_.rows.size(), 3u);
  EXPECT_EQ(view_.rows[1].status, "성공");
  EXPECT_EQ(view_.rows[1].text, "001 1200");
  EXPECT_EQ(view_.rows[3].text, "가  0007");
  const auto rows = Rows("carno");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (Row{"001", "1200", "1899-12-30"}));  // the date keeps its blank default
  EXPECT_EQ(rows[2][0], "가");
  // Every line when asked (the site file has no trailer); one line alone is a trailer.
  Import({"003    3", "004    4"}, Vehicles(true));
  Import({"005    5"}, Vehicles());
  EXPECT_EQ(view_.progressMaximum, 0);
  EXPECT_TRUE(view_.rows.empty());
  EXPECT_EQ(Rows("carno").size(), 5u);
}

// How the journal names each early end: a refused value or a missing table
// "refused", a table that cannot be opened "failed".
TEST_F(ImportRunTest, EndingsAFailureAtRecordKKeepsKRowsAndNamesLineK) {
  MakeTable("carno");
  RunReport report = Import({"001    1", "002    2", "003  x12", "004    4", "end"}, Vehicles());
  EXPECT_EQ(report.end, RunEnd::kRefused);
  EXPECT_EQ(report.FirstLineNotImported(), 3);
  EXPECT_EQ(view_.messages, std::vector<std::string>{"파일의 3번째 줄: 단가 'x12'을(를) 정수로 바꿀 수 없습니다."});
  EXPECT_EQ(view_.rows.size(), 2u);
  EXPECT_EQ(Rows("carno").size(), 2u);
  // A table-layer error takes the same path with its line, the value named by its field; an open
  // failure before the loop has none.
  std::string field;
  report = Import({"001    1", "toolong 2", "end"}, Vehicles(), [&field](RecordContext& context) {
    static constexpr ColumnRule kWide[] = {Named("차량코드", Text("code", {1, 7}))};
    RowValues row(context.record, kWide);
    try {
      context.WriteRow(row);
    } catch (const ImportFailure& refused) {
      field = refused.Field();
      throw;
    }
  });
  EXPECT_EQ(report.end, RunEnd::kRefused);
  EXPECT_EQ(field, "차량코드");
  EXPECT_EQ(view_.messages.back().rfind("파일의 2번째 줄: 테이블 carno의 열 code", 0), 0u) << view_.messages.back();
  RunSetup noCheck;
  noCheck.fixedTable = "vdrs110";
  EXPECT_EQ(Import({"001    1", "end"}, noCheck).end, RunEnd::kFailed);
  EXPECT_EQ(view_.messages.back().rfind("테이블 vdrs110", 0), 0u) << view_.messages.back();
  EXPECT_EQ(Rows("carno").size(), 3u);
}
