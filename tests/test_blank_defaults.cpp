// Blank defaults of a new row over every column type, read back by an
// independent reader.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/fields.h"
#include "common/import_shell.h"
#include "support/dbfread_oracle.h"
#include "support/recording_view.h"
#include "support/scratch_dir.h"

using namespace ModMain;

namespace {

// Appends one row to a copy of the Visual FoxPro fixture holding every
// common column type, after `fill` has run on the new row.
template <typename Fill>
std::vector<OracleRow> AppendToEveryTypeTable(RecordingView& view, Fill fill) {
  ScratchDir dir;
  std::filesystem::path fixtures = FIXTURES_DIR;
  for (const char* extension : {".dbf", ".fpt"}) {
    std::filesystem::copy_file(fixtures / (std::string("vfp_types") + extension),
                               dir.File(std::string("vfp_types") + extension));
  }
  {
    ImportShell shell(view);
    OpenTargetDatabase(shell, dir.Path());
    dbf::Recordset recordset;
    recordset.Open("vfp_types", *shell.SharedConnection);
    recordset.AddNew();
    fill(recordset);
    recordset.Update();
    recordset.Close();
    CloseTargetDatabase(shell);
  }
  return ReadWithDbfread(dir.File("vfp_types.dbf"));
}

// Column order of the fixture: CNO C, CNAME C null, QTY N, FLT F, F_DATE D,
// F_TIME T, F_LOG L, F_MEMO M, F_INT I, F_DBL B, F_CUR Y, F_NNUM N null.
enum Column { kCno, kCname, kQty, kFlt, kDate, kTime, kLog, kMemo, kInt, kDbl, kCur, kNnum };

}  // namespace

TEST(SetBlankDefaults, GivesEachColumnTypeItsBlankValue) {
  RecordingView view;
  auto rows = AppendToEveryTypeTable(view, [&](dbf::Recordset& recordset) {
    SetBlankDefaults(recordset, view);
  });
  EXPECT_TRUE(view.messages.empty());
  ASSERT_EQ(rows.size(), 3u);  // two rows of the fixture and the new one
  const OracleRow& row = rows[2];
  ASSERT_GE(row.size(), static_cast<std::size_t>(kNnum + 1));
  EXPECT_EQ(row[kCno], "");       // one space, trimmed by the reader
  EXPECT_EQ(row[kCname], "");     // a nullable text column gets the space too, not null
  EXPECT_EQ(row[kQty], "0.0");  // N(10,2) reads back as a float
  EXPECT_EQ(row[kFlt], "0.0");
  EXPECT_EQ(row[kDate], "1899-12-30");
  EXPECT_EQ(row[kTime], "1899-12-30 00:00:00");
  EXPECT_EQ(row[kLog], "None");   // logical: left as the new row has it
  EXPECT_EQ(row[kMemo], " ");
  EXPECT_EQ(row[kInt], "0");
  EXPECT_EQ(row[kDbl], "0.0");
  EXPECT_EQ(row[kNnum], "0");     // a nullable number is 0, not null
}

TEST(SetBlankDefaults, WithoutItTheNewRowDiffers) {
  // Guards the test above: the blank record of the format is not already
  // what SetBlankDefaults writes.
  RecordingView view;
  auto rows = AppendToEveryTypeTable(view, [](dbf::Recordset&) {});
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NE(rows[2][kQty], "0");
  EXPECT_NE(rows[2][kDate], "1899-12-30");
  EXPECT_NE(rows[2][kNnum], "0");
}

TEST(SetBlankDefaults, ColumnsTheRoutineSetsAfterwardsWin) {
  RecordingView view;
  auto rows = AppendToEveryTypeTable(view, [&](dbf::Recordset& recordset) {
    SetBlankDefaults(recordset, view);
    recordset.SetValue("CNO", std::string("100777"));
    recordset.SetValue("QTY", 12.5);
  });
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2][kCno], "100777");
  EXPECT_EQ(rows[2][kQty], "12.5");
  EXPECT_EQ(rows[2][kDate], "1899-12-30");
}
