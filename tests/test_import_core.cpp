// What every import shares: cutting fields by byte out of CP949 records, the
// number and date rules, the display text, loading export files, the kind
// table's file-name rules.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/fields.h"
#include "common/loader.h"
#include "dbf/dbf.h"
#include "import/kinds.h"
#include "support/recording_view.h"
#include "support/test_support.h"

using namespace ModMain;

namespace {
const std::string kGa = "\xB0\xA1";         // 가
const std::string kGak = "\x81\x41";        // 갂: its trail byte is the letter 'A'
const std::string kIdeoSpace = "\xA1\xA1";  // the ideographic space
}  // namespace

TEST(CutField, BytesNotCharactersTrimmedSpacesOnlyHalfCharactersDropped) {
  const std::string car = Utf8ToCp949("차량");
  const struct { std::string record; int start, length; std::string cut; } cases[] = {
      {car + "AB", 5, 2, "AB"}, {car + "AB", 1, 4, car},
      {"  ab c  |", 1, 8, "ab c"}, {"        ", 1, 8, ""}, {"\tab\t", 1, 4, "\tab\t"},
      {kIdeoSpace + "x" + kIdeoSpace, 1, 5, kIdeoSpace + "x" + kIdeoSpace},
      {"12345", 4, 10, "45"}, {"12345", 6, 1, ""}, {"12345", 0, 3, ""}, {"12345", 2, -1, ""}, {"", 1, 3, ""},
      {kGa + kGa + kGa, 1, 3, kGa}, {kGa + kGa + kGa, 2, 3, kGa}, {kGa + kGa + kGa, 2, 4, kGa},
      {"ab\xB0", 1, 3, "ab"},                                   // a lead byte at the record's end
      {kGak + "BC", 2, 3, "BC"}, {"x" + kGak, 3, 1, ""}, {kGak + kGak + "Z", 4, 2, "Z"},  // 'A' is a trail byte
  };
  for (const auto& c : cases) EXPECT_EQ(CutField(c.record, c.start, c.length), c.cut) << c.start << "+" << c.length;
}

TEST(Text, CharactersNotBytesAndOneRuleForBadBytes) {
  const std::string text = kGa + "B" + kGak + "CD";
  EXPECT_EQ(MidChars(text, 2, 2), "B" + kGak);
  EXPECT_EQ(MidChars(text, 4, 10), "CD");
  EXPECT_EQ(MidChars(text, 9, 1), "");
  EXPECT_TRUE(ContainsText(text, kGak));
  EXPECT_FALSE(ContainsText(text, "A"));  // the trail byte of 갂, not a letter
  EXPECT_EQ(Cp949ToUtf8("ab\xB0"), "ab\xEF\xBF\xBD");  // a lead byte at the end; every pair: below
  EXPECT_THROW(Utf8ToCp949("\xF0\x9F\x98\x80"), std::runtime_error);
  // The user-defined rows are no characters, whichever converter is asked.
  EXPECT_EQ(dbf::FirstNonCp949Byte("A\xC9\xA1"), 1u);
  EXPECT_THROW(Utf8ToCp949("\xEE\x80\x80"), std::runtime_error);  // U+E000
  EXPECT_EQ(DecodeFileName("G" + Utf8ToCp949("차량") + ".txt"), "G차량.txt");
  EXPECT_EQ(DecodeFileName("G차량.txt"), "G차량.txt");
  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));      // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
}

// Every two bytes and a marker: a lead byte with a possible trail byte is one
// character, any other high byte a bad one alone; no byte is lost or read past.
// The code page has 17 048 characters of two bytes on every system.
TEST(Text, EveryPairOfBytesIsShownWholeAndABadOneNamedByItsFirstByte) {
  const std::string bad = "\xEF\xBF\xBD";
  int characters = 0;
  for (int lead = 0x80; lead <= 0xFF; ++lead)
    for (int trail = 0; trail <= 0xFF; ++trail) {
      const std::string text = {static_cast<char>(lead), static_cast<char>(trail), '0'};  // '0' is no trail byte
      const std::string shown = Cp949ToUtf8(text);
      const bool pair = lead >= 0x81 && lead <= 0xFE &&
                        ((trail >= 0x41 && trail <= 0x5A) || (trail >= 0x61 && trail <= 0x7A) || (trail >= 0x81 && trail <= 0xFE));
      ASSERT_EQ(shown.back(), '0');
      if (dbf::FirstNonCp949Byte(text) == std::string::npos) {
        ASSERT_TRUE(pair && shown.find(bad) == std::string::npos) << lead << " " << trail;
        ++characters;
      } else {
        ASSERT_EQ(dbf::FirstNonCp949Byte(text), 0u);
        ASSERT_EQ(shown, bad + (pair ? "0" : Cp949ToUtf8(text.substr(1)))) << lead << " " << trail;
      }
    }
  EXPECT_EQ(characters, 17048);
}

TEST(Numbers, LeadingNumberNeverFailsWholeNumbersHalveToEven) {
  const std::pair<std::string, double> leading[] = {{"15", 15}, {"", 0}, {"ab", 0}, {"00012.50", 12.5},
      {" 1 2\t3\n4", 1234}, {"-7.5x9", -7.5}, {"1.2.3", 1.2}, {"-", 0}, {".", 0}, {"3" + kGa, 3}};
  for (const auto& [text, value] : leading) EXPECT_DOUBLE_EQ(LeadingNumber(text), value) << text;
  const std::pair<const char*, std::int32_t> whole[] = {{"1234.5", 1234}, {"1235.5", 1236}, {"-2.5", -2},
      {"  0042 ", 42}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}};
  for (const auto& [text, value] : whole) EXPECT_EQ(ToInt32(text, "금액"), value) << text;
  EXPECT_EQ(ToInt16("32767", "번호"), 32767);
  EXPECT_EQ(ToInt16("1.5", "번호"), 2);
  EXPECT_EQ(RoundToInt32(2.5, "2.5", "금액"), 2);
  for (const char* bad : {"", "   ", "x12", "12x", "1.2.3", "-", ".", "2147483648", "-2147483649"})
    EXPECT_THROW(ToInt32(bad, "단가"), ImportFailure) << bad;
  EXPECT_THROW(ToInt16("32768", "번호"), ImportFailure);
  EXPECT_THROW(ToInt16("-32769", "번호"), ImportFailure);
}

TEST(FileNames, EachKindTakesItsOwnNamesOnly) {
  const struct { const char* name; int kind; } fits[] = {
      {"G거래처.txt", 0}, {"G차량.txt", 1}, {"G판매.txt", 2}, {"G수금.txt", 3}, {"gss0405.txt", 4}, {"GsS", 4},
      {"s0040501.txt", 5}, {"레미콘거래처.txt", 6}, {"레미콘현장.txt", 7}, {"레미콘일일판매.txt", 8},
      {"레미콘수금.txt", 9}, {"2004년3월계산서자료.txt", 10},
      // no kind at all
      {"g차량.txt", -1}, {"G차량.TXT", -1}, {"G차량.txt ", -1}, {"GS.txt", -1}, {" GSS.txt", -1},
      {"SO0405.txt", -1}, {"송장S0.txt", -1}, {"계 산 서.txt", -1}, {"", -1}};
  for (const auto& f : fits)
    for (const KindInfo& kind : Kinds()) EXPECT_EQ(FileNameFits(kind.kind, f.name), KindNumber(kind.kind) == f.kind) << f.name;
}

TEST(Loader, LinesRecordCountLimitsAndFailures) {
  TempDir dir;
  RecordingView view;
  const LoadLimits limits = LimitsForRecordLength(8);
  auto write = [&](const std::string& name, const std::string& bytes) {
    WriteBytes(dir.File(name), bytes);
    return dir.File(name);
  };
  const std::string stray = "\xC2\xF7\xB7\xAE  \x81\x41\xFF\t";
  const std::pair<std::string, std::vector<std::string>> files[] = {
      {"a\r\nb \r\n c\r\n", {"a", "b ", " c"}}, {"a\r\nb \r\n record8", {"a", "b ", " record8"}},
      {"a\rb\r\nc\nd\n", {"a", "b", "c", "d"}}, {"p\r\r\nq\n\rrecord 8", {"p", "", "q", "", "record 8"}},
      {"a\r\n\r\n", {"a", ""}}, {stray + "\r\n", {stray}}};
  for (const auto& [bytes, lines] : files) {
    EXPECT_EQ(LoadExportFile(write("f.txt", bytes), limits, view).RecordLines, lines);
    EXPECT_EQ(view.countPanel, static_cast<int>(lines.size()));
    EXPECT_EQ(view.progressValues.back(), static_cast<int>(lines.size()));
  }
  std::string max;
  for (int i = 0; i < kMaxRecordLines; ++i) max += std::to_string(i) + "\n";
  EXPECT_EQ(LoadExportFile(write("max.txt", max), limits, view).RecordLines.size(), 32767u);
  // Refusals name the file and come quickly.
#ifdef _WIN32
  const std::string fifo = "\\\\.\\pipe\\dbftest-loader", device = "NUL";  // a named pipe, a device
  const HANDLE pipe = CreateNamedPipeW(L"\\\\.\\pipe\\dbftest-loader", PIPE_ACCESS_DUPLEX, 0, 1, 0, 0, 0, nullptr);
  const std::string korean = "G차량.txt";            // a Windows file name is UTF-16
#else
  const std::string fifo = dir.File("fifo.txt"), device = "/dev/zero";
  mkfifo(fifo.c_str(), 0600);
  const std::string korean = "G\xC2\xF7\xB7\xAE.txt";  // in CP949 bytes, as older systems made them
#endif
  const std::pair<std::string, const char*> refused[] = {
      {write("over.txt", max + "x"), "32767"}, {write("empty.txt", ""), "비어"},
      {write("long.txt", "a\r\n" + std::string(kMaxLineBytes + 1, 'x')), "2번째 줄이 너무 깁니다"},
      {write("cut.txt", "record 1\r\nrecord"), "마지막 줄(2번째 줄)이 레코드 중간에서 끊겼습니다"},
      {write("big.txt", std::string(limits.maxFileBytes + 1, '\n')), "너무 큽니다"},
      {fifo, "보통 파일이 아닙니다"}, {device, "보통 파일이 아닙니다"},
      {dir.File("nothere.txt"), "파일이나 폴더가 없습니다"}, {dir.Path(), "폴더입니다"},
      {write(korean, ""), "G차량.txt"}};
  for (const auto& [path, fragment] : refused) {
    try {
      LoadExportFile(path, limits, view);
      ADD_FAILURE() << path << " loaded";
    } catch (const ImportFailure& failure) {
      EXPECT_NE(std::string(failure.what()).find(fragment), std::string::npos) << failure.what();
    }
  }
#ifdef _WIN32
  CloseHandle(pipe);
#endif
}
