// Loading export files into RecordLines.
#include <gtest/gtest.h>

#include <fstream>

#include "common/errors.h"
#include "common/import_shell.h"
#include "common/loader.h"
#include "support/recording_view.h"
#include "support/scratch_dir.h"

using namespace ModMain;

namespace {

class LoaderTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = dir_.File(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  ScratchDir dir_;
  RecordingView view_;
  ImportShell shell_{view_};
};

std::string Lines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::to_string(i) + "\r\n";
  return text;
}

}  // namespace

TEST_F(LoaderTest, CrLfLinesWithAndWithoutFinalEnd) {
  for (const std::string body : {"a\r\nb \r\n c\r\n", "a\r\nb \r\n c"}) {
    LoadExportFile(shell_, Write("three.txt", body));
    EXPECT_EQ(shell_.RecordLines, (std::vector<std::string>{"a", "b ", " c"}));
    EXPECT_EQ(view_.countPanel, "전체레코드수 : 3");
    EXPECT_EQ(view_.progressMinimum, 0);
    EXPECT_EQ(view_.progressMaximum, 3);
    EXPECT_EQ(view_.progressValue, 3);
    EXPECT_EQ(view_.captions.back(), "파일읽기");
  }
}

TEST_F(LoaderTest, LineEndsAreCrLfOrCrAloneNotLfAlone) {
  LoadExportFile(shell_, Write("mixed.txt", "a\rb\r\nc\nd\r\n"));
  EXPECT_EQ(shell_.RecordLines, (std::vector<std::string>{"a", "b", "c\nd"}));
  LoadExportFile(shell_, Write("lf.txt", "x\ny\nz\n"));
  EXPECT_EQ(shell_.RecordLines, (std::vector<std::string>{"x\ny\nz\n"}));
  // CR CR LF: the first CR ends a line, the CR LF ends an empty one.
  LoadExportFile(shell_, Write("crcr.txt", "p\r\r\nq"));
  EXPECT_EQ(shell_.RecordLines, (std::vector<std::string>{"p", "", "q"}));
}

TEST_F(LoaderTest, EmptyLastLineIsAnElementButNoExtraOne) {
  LoadExportFile(shell_, Write("blank_last.txt", "a\r\n\r\n"));
  EXPECT_EQ(shell_.RecordLines, (std::vector<std::string>{"a", ""}));
  LoadExportFile(shell_, Write("only_end.txt", "\r\n"));
  EXPECT_EQ(shell_.RecordLines, (std::vector<std::string>{""}));
}

TEST_F(LoaderTest, BytesAreKeptAsTheyAre) {
  const std::string korean = "\xC2\xF7\xB7\xAE  \x81\x41\xFF\t";  // 차량, 갂, a stray byte
  LoadExportFile(shell_, Write("bytes.txt", korean + "\r\n"));
  ASSERT_EQ(shell_.RecordLines.size(), 1u);
  EXPECT_EQ(shell_.RecordLines[0], korean);
}

TEST_F(LoaderTest, EmptyFileFailsAndKeepsPreviousRecords) {
  LoadExportFile(shell_, Write("one.txt", "keep\r\nme\r\n"));
  view_.countPanel.clear();
  try {
    LoadExportFile(shell_, Write("empty.txt", ""));
    FAIL() << "an empty file loaded";
  } catch (const ImportFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("empty.txt"), std::string::npos);
    EXPECT_NE(std::string(failure.what()).find("비어"), std::string::npos);
  }
  EXPECT_EQ(shell_.RecordLines, (std::vector<std::string>{"keep", "me"}));
  EXPECT_EQ(view_.countPanel, "");
  EXPECT_EQ(view_.captions.back(), "파일읽기");
}

TEST_F(LoaderTest, At32767LinesLoadsAndOneMoreFails) {
  LoadExportFile(shell_, Write("max.txt", Lines(32767)));
  EXPECT_EQ(shell_.RecordLines.size(), 32767u);
  EXPECT_EQ(shell_.RecordLines.back(), "32766");
  EXPECT_EQ(view_.countPanel, "전체레코드수 : 32767");

  try {
    LoadExportFile(shell_, Write("over.txt", Lines(32768)));
    FAIL() << "32768 lines loaded";
  } catch (const ImportFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("over.txt"), std::string::npos);
    EXPECT_NE(std::string(failure.what()).find("32767"), std::string::npos);
  }
  EXPECT_EQ(shell_.RecordLines.size(), 32767u);
  // The last line without an end still counts.
  EXPECT_THROW(LoadExportFile(shell_, Write("over2.txt", Lines(32767) + "x")), ImportFailure);
}

TEST_F(LoaderTest, MissingFileAndDirectoryFailNamingThePath) {
  try {
    LoadExportFile(shell_, dir_.File("nothere.txt"));
    FAIL();
  } catch (const ImportFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("nothere.txt"), std::string::npos);
  }
  EXPECT_THROW(LoadExportFile(shell_, dir_.Path()), ImportFailure);
}

TEST_F(LoaderTest, Cp949FileNameIsShownReadably) {
  const std::string name = "G\xC2\xF7\xB7\xAE.txt";  // G차량.txt in CP949 bytes
  try {
    LoadExportFile(shell_, Write(name, ""));
    FAIL();
  } catch (const ImportFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("G차량.txt"), std::string::npos);
  }
}
