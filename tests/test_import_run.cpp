// The record layouts' rules, and the one import-run shape (list rows,
// progress, the trailer rule, the error path) on tables read back by an
// independent reader. What a kind makes of them is tested end to end.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/import_run.h"
#include "common/tables.h"
#include "support/recording_view.h"
#include "support/test_support.h"

using namespace ModMain;

TEST(RowValues, EachRuleMakesItsValue) {
  static constexpr ColumnRule kLayout[] = {
      Text("a", {1, 2}, "1"), CodeOrEmpty("b", "100", {4, 2}), CodeOrEmpty("c", "100", {7, 2}),
      Joined("d", "-", {1, 2}, {4, 2}, {7, 2}), JoinedOrEmpty("e", "-", {7, 1}, {8, 1}),
      JoinedOrEmpty("f", "-", {4, 1}, {6, 2}), Number("g", {10, 4}), Decimal("h", {10, 2}, {12, 2}),
      Int32("i", {10, 4}, "금액"), Date("j", {15, 4}, {19, 2}, {21, 2}), DateOrZero("k", {15, 4}, {7, 2}, {21, 2}),
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
  EXPECT_THROW(row.RequireMonthAndDay("k"), ImportFailure);
  RowValues bad("AB|CD|  |12x5", kLayout);
  EXPECT_THROW(bad.Convert(), ImportFailure);
}

namespace {

class ImportRunTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenTargetDatabase(shell_, dir_.Path()); }

  void MakeTable(const std::string& name) {
    dbf::CreateTable(dir_.File(name + ".dbf"), 0x30, 0x79,
                     {{"code", 'C', 6, 0, false}, {"price", 'N', 10, 0, false}, {"sdate", 'D', 8, 0, false}});
  }

  std::vector<Row> Rows(const std::string& table) {
    CloseTargetDatabase(shell_);  // flushes and lets another reader in
    auto rows = ReadRows(dir_.File(table + ".dbf"));
    OpenTargetDatabase(shell_, dir_.Path());
    return rows;
  }

  // The code (bytes 1-3) and the price (bytes 5-8, a whole number).
  static constexpr ColumnRule kLayout[] = {Text("code", {1, 3}), Int32("price", {5, 4}, "단가")};
  static void WriteRow(RecordContext& context) {
    RowValues row(context.record, kLayout);
    context.WriteRow(row);
  }

  RunShape Vehicles(bool includeLastLine = false) {
    RunShape shape;
    shape.fixedTable = "carno";
    shape.missingTableLabel = "차량";
    shape.includeLastLine = includeLastLine;
    return shape;
  }

  TempDir dir_;
  RecordingView view_;
  ImportShell shell_{view_};
};

}  // namespace

TEST_F(ImportRunTest, AllButTheTrailerWithListRowsAndProgress) {
  MakeTable("carno");
  shell_.RecordLines = {"001 1200", "002   15", "\xB0\xA1  0007", "TOTAL 3"};
  RunImport(shell_, Vehicles(), WriteRow);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kCompleted);
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(view_.captions, std::vector<std::string>{"데이터 인서트"});
  EXPECT_EQ(view_.progressMaximum, 3);
  EXPECT_EQ(view_.progressValues, (std::vector<int>{1, 2, 3}));
  ASSERT_EQ(view_.rows.size(), 3u);
  EXPECT_EQ(view_.rows[1].status, "성공");
  EXPECT_EQ(view_.rows[1].text, "001 1200");
  EXPECT_EQ(view_.rows[3].text, "가  0007");
  EXPECT_EQ(shell_.SharedRecordset, nullptr);
  const auto rows = Rows("carno");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (Row{"001", "1200", "1899-12-30"}));  // the date keeps its blank default
  EXPECT_EQ(rows[2][0], "가");
  // Every line when asked (the site file has no trailer); one line alone is a trailer.
  shell_.RecordLines = {"003    3", "004    4"};
  RunImport(shell_, Vehicles(true), WriteRow);
  shell_.RecordLines = {"005    5"};
  RunImport(shell_, Vehicles(), WriteRow);
  EXPECT_EQ(view_.progressMaximum, 0);
  EXPECT_TRUE(view_.rows.empty());
  EXPECT_EQ(Rows("carno").size(), 5u);
}

TEST_F(ImportRunTest, EndingsAFailureAtRecordKKeepsKRowsAndNamesLineK) {
  MakeTable("carno");
  shell_.RecordLines = {"001    1", "002    2", "003  x12", "004    4", "end"};
  RunImport(shell_, Vehicles(), WriteRow);
  EXPECT_EQ(shell_.lastOutcome, RunOutcome::kEndedEarly);
  EXPECT_EQ(view_.messages, std::vector<std::string>{"파일의 3번째 줄: 단가 'x12'을(를) 정수로 바꿀 수 없습니다."});
  EXPECT_EQ(view_.rows.size(), 2u);
  EXPECT_EQ(Rows("carno").size(), 2u);
  // A table-layer error takes the same path with its line; an open failure before the loop has none.
  shell_.RecordLines = {"001    1", "toolong 2", "end"};
  RunImport(shell_, Vehicles(), [](RecordContext& context) {
    static constexpr ColumnRule kWide[] = {Text("code", {1, 7})};
    RowValues row(context.record, kWide);
    context.WriteRow(row);
  });
  EXPECT_EQ(view_.messages.back().rfind("파일의 2번째 줄: 테이블 carno의 열 code", 0), 0u) << view_.messages.back();
  RunShape noCheck;
  noCheck.fixedTable = "vdrs110";
  RunImport(shell_, noCheck, WriteRow);
  EXPECT_EQ(view_.messages.back().rfind("테이블 vdrs110", 0), 0u) << view_.messages.back();
  EXPECT_EQ(Rows("carno").size(), 3u);
}
