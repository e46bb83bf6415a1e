// The run button's file-name tests and dispatch.
#include <gtest/gtest.h>

#include <fstream>

#include "common/dispatcher.h"
#include "common/encoding.h"
#include "common/import_shell.h"
#include "support/recording_view.h"
#include "support/scratch_dir.h"

using namespace ModMain;

TEST(FileNameFits, EqualityIsExactAndCaseSensitive) {
  EXPECT_TRUE(FileNameFits(1, "G차량.txt"));
  EXPECT_FALSE(FileNameFits(1, "g차량.txt"));
  EXPECT_FALSE(FileNameFits(1, "G차량.TXT"));
  EXPECT_FALSE(FileNameFits(1, "G차량.txt "));
  EXPECT_FALSE(FileNameFits(1, "G거래처.txt"));
  EXPECT_FALSE(FileNameFits(0, ""));
  const char* names[] = {"G거래처.txt", "G차량.txt", "G판매.txt", "G수금.txt"};
  for (int kind = 0; kind < 4; ++kind) {
    for (int other = 0; other < 4; ++other) {
      EXPECT_EQ(FileNameFits(kind, names[other]), kind == other) << kind << " " << names[other];
    }
  }
  EXPECT_TRUE(FileNameFits(6, "레미콘거래처.txt"));
  EXPECT_TRUE(FileNameFits(7, "레미콘현장.txt"));
  EXPECT_TRUE(FileNameFits(8, "레미콘일일판매.txt"));
  EXPECT_TRUE(FileNameFits(9, "레미콘수금.txt"));
  EXPECT_FALSE(FileNameFits(7, "레미콘거래처.txt"));
}

TEST(FileNameFits, PrefixIsByCharacterAfterUpperCasing) {
  EXPECT_TRUE(FileNameFits(4, "gss0405.txt"));
  EXPECT_TRUE(FileNameFits(4, "GsS"));
  EXPECT_FALSE(FileNameFits(4, "GS.txt"));
  EXPECT_FALSE(FileNameFits(4, "GS"));
  EXPECT_FALSE(FileNameFits(4, " GSS.txt"));
  EXPECT_TRUE(FileNameFits(5, "s0040501.txt"));
  EXPECT_FALSE(FileNameFits(5, "SO0405.txt"));  // letter O, not zero
  EXPECT_FALSE(FileNameFits(5, "송장S0.txt"));
  EXPECT_FALSE(FileNameFits(5, "S"));
}

TEST(FileNameFits, AnEmptySelectionFitsNoKind) {
  for (int kind = 0; kind < kKindCount; ++kind) EXPECT_FALSE(FileNameFits(kind, "")) << kind;
}

TEST(FileNameFits, ContainmentAnywhere) {
  EXPECT_TRUE(FileNameFits(10, "계산서.txt"));
  EXPECT_TRUE(FileNameFits(10, "2004년3월계산서자료.txt"));
  EXPECT_FALSE(FileNameFits(10, "계산.txt"));
  EXPECT_FALSE(FileNameFits(10, "계 산 서.txt"));
}

TEST(DecodeFileName, Cp949NamesAreDecoded) {
  const std::string cp949Name = "G" + Utf8ToCp949("차량") + ".txt";
  EXPECT_EQ(DecodeFileName(cp949Name), "G차량.txt");
  EXPECT_EQ(DecodeFileName("G차량.txt"), "G차량.txt");
  EXPECT_TRUE(FileNameFits(1, DecodeFileName(cp949Name)));
  EXPECT_TRUE(FileNameFits(10, DecodeFileName("x" + Utf8ToCp949("계산서") + ".txt")));
}

TEST(KindTable, TabsCaptionsAndRange) {
  EXPECT_STREQ(KindInfo(1).caption, "차량");
  EXPECT_STREQ(KindInfo(1).tab, "골재");
  EXPECT_STREQ(KindInfo(10).caption, "계산서");
  EXPECT_STREQ(KindInfo(6).tab, "레미콘");
  for (int kind = 0; kind < kKindCount; ++kind) {
    EXPECT_EQ(KindInfo(kind).kind, kind);
    EXPECT_NE(KindInfo(kind).routine, nullptr);
  }
  EXPECT_THROW(KindInfo(11), std::out_of_range);
  EXPECT_THROW(KindInfo(-1), std::out_of_range);
}

namespace {

struct DispatchTest : ::testing::Test {
  ScratchDir dir;
  RecordingView view;
  ImportShell shell{view};
};

}  // namespace

TEST_F(DispatchTest, WrongNameShowsTheMessageAndLoadsNothing) {
  shell.RecordLines = {"before"};
  std::ofstream(dir.File("G차량.TXT")) << "x\r\n";
  EXPECT_EQ(Dispatch(shell, 1, dir.Path(), "G차량.TXT"), DispatchResult::kRefused);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0], "파일을 잘못 선택하셨습니다.\r\n다시 파일을 선택하십시오.");
  EXPECT_EQ(shell.RecordLines, std::vector<std::string>{"before"});
  EXPECT_TRUE(view.captions.empty());
  EXPECT_EQ(shell.messagesShown, 1);
}

TEST_F(DispatchTest, LoadFailureShowsItsDescriptionAndRunsNoRoutine) {
  std::ofstream(dir.File("G차량.txt")) << "";
  shell.lastOutcome = RunOutcome::kNone;
  EXPECT_EQ(Dispatch(shell, 1, dir.Path(), "G차량.txt"), DispatchResult::kLoadFailed);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].find(dir.Path() + "/G차량.txt"), std::string::npos);
  EXPECT_EQ(shell.lastOutcome, RunOutcome::kNone);
}

TEST_F(DispatchTest, Cp949NamedFileIsAcceptedLoadedAndRun) {
  // No connection: the routine runs and ends through its error path.
  const std::string name = "G" + Utf8ToCp949("차량") + ".txt";
  std::ofstream(dir.File(name), std::ios::binary) << "001 A\r\ntrailer\r\n";
  EXPECT_EQ(Dispatch(shell, 1, dir.Path(), name), DispatchResult::kRan);
  EXPECT_EQ(shell.RecordLines.size(), 2u);
  EXPECT_EQ(view.countPanel, "전체레코드수 : 2");
  EXPECT_EQ(shell.lastOutcome, RunOutcome::kEndedEarly);
}
