// Cutting fields by byte out of CP949 records, and the shared conversions.
#include <gtest/gtest.h>

#include <random>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/fields.h"

using namespace ModMain;

namespace {

const std::string kGa = "\xB0\xA1";      // 가
const std::string kGak = "\x81\x41";     // 갂: its trail byte is the letter 'A'
const std::string kIdeoSpace = "\xA1\xA1";  // the ideographic space of CP949

// True when the bytes split into whole CP949 characters that iconv accepts.
bool IsWholeCp949(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) i += Cp949CharLength(static_cast<unsigned char>(text[i]));
  return i == text.size() && Cp949ToUtf8(text).find("\xEF\xBF\xBD") == std::string::npos;
}

}  // namespace

TEST(CutField, CountsBytesNotCharacters) {
  const std::string record = Utf8ToCp949("차량") + "AB";
  EXPECT_EQ(CutField(record, 5, 2), "AB");
  EXPECT_EQ(CutField(record, 1, 4), Utf8ToCp949("차량"));
  // Six Korean characters fill twelve bytes; digits mixed in make room for more.
  const std::string registration = Utf8ToCp949("서울12가3456") + " X";
  EXPECT_EQ(CutField(registration, 1, 12), Utf8ToCp949("서울12가3456"));
}

TEST(CutField, TrimsSpacesOnlyAtBothEnds) {
  EXPECT_EQ(CutField("  ab c  |", 1, 8), "ab c");
  EXPECT_EQ(CutField("        ", 1, 8), "");
  EXPECT_EQ(CutField("\tab\t", 1, 4), "\tab\t");
  const std::string ideographic = kIdeoSpace + "x" + kIdeoSpace;
  EXPECT_EQ(CutField(ideographic, 1, 5), ideographic);
}

TEST(CutField, ShortRecordsAndBadCalls) {
  EXPECT_EQ(CutField("12345", 4, 10), "45");
  EXPECT_EQ(CutField("12345", 6, 1), "");
  EXPECT_EQ(CutField("12345", 60, 3), "");
  EXPECT_EQ(CutField("12345", 0, 3), "");
  EXPECT_EQ(CutField("12345", 2, -1), "");
  EXPECT_EQ(CutField("12345", 2, 0), "");
  EXPECT_EQ(CutField("", 1, 3), "");
  EXPECT_EQ(CutField("abcdef", Field{2, 3}), "bcd");
}

TEST(CutField, DropsHalfCharacterAtEitherEdge) {
  const std::string record = kGa + kGa + kGa;  // bytes 1-6
  EXPECT_EQ(CutField(record, 1, 3), kGa);      // ends on a lead byte
  EXPECT_EQ(CutField(record, 2, 3), kGa);      // starts on a trail byte
  EXPECT_EQ(CutField(record, 2, 4), kGa);      // both edges cut
  EXPECT_EQ(CutField(record, 2, 1), "");
  EXPECT_EQ(CutField("ab" + kGa.substr(0, 1), 1, 3), "ab");  // lead byte at the record's end
  EXPECT_EQ(CutField(" " + kGa + "  ", 2, 1), "");
}

TEST(CutField, TrailBytesThatAreLettersAreNotTakenForLetters) {
  const std::string record = kGak + "BC";  // 갂BC: byte 2 is 'A' but belongs to 갂
  EXPECT_EQ(CutField(record, 2, 3), "BC");
  EXPECT_EQ(CutField(record, 1, 2), kGak);
  EXPECT_EQ(CutField("x" + kGak, 3, 1), "");
  // A record that only looks ASCII after byte 2: 'A' must still go with its lead.
  EXPECT_EQ(CutField(kGak + kGak + "Z", 4, 2), "Z");
}

TEST(CutField, EveryCutOfMixedTextIsWholeCp949) {
  std::mt19937 random(949);
  const std::vector<std::string> pieces = {kGa, kGak, "A", " ", "7", kIdeoSpace, "\x81\x61", "z"};
  for (int round = 0; round < 200; ++round) {
    std::string record;
    int count = static_cast<int>(random() % 20);
    for (int k = 0; k < count; ++k) record += pieces[random() % pieces.size()];
    for (int start = 1; start <= static_cast<int>(record.size()) + 1; ++start) {
      for (int length = 0; length <= 6; ++length) {
        std::string cut = CutField(record, start, length);
        ASSERT_TRUE(IsWholeCp949(cut)) << "record of " << record.size() << " bytes, " << start
                                       << "+" << length;
        ASSERT_LE(cut.size(), static_cast<std::size_t>(length));
        if (!cut.empty()) {
          ASSERT_NE(record.find(cut), std::string::npos);
        }
      }
    }
  }
}

TEST(MidCharsAndContainsText, CountCharacters) {
  const std::string text = kGa + "B" + kGak + "CD";
  EXPECT_EQ(MidChars(text, 2, 2), "B" + kGak);
  EXPECT_EQ(MidChars(text, 4, 10), "CD");
  EXPECT_EQ(MidChars(text, 9, 1), "");
  EXPECT_EQ(MidChars("2004/03/15", 3, 2), "04");
  EXPECT_TRUE(ContainsText(text, "CD"));
  EXPECT_TRUE(ContainsText(text, kGak));
  // 'A' is the trail byte of 갂, not a letter of the text.
  EXPECT_FALSE(ContainsText(text, "A"));
  EXPECT_FALSE(ContainsText(text, "AC"));
}

TEST(LeadingNumber, ReadsTheLeadingNumberAndNeverFails) {
  EXPECT_DOUBLE_EQ(LeadingNumber("15"), 15);
  EXPECT_DOUBLE_EQ(LeadingNumber(""), 0);
  EXPECT_DOUBLE_EQ(LeadingNumber("ab"), 0);
  EXPECT_DOUBLE_EQ(LeadingNumber("00012.50"), 12.5);
  EXPECT_DOUBLE_EQ(LeadingNumber(" 1 2\t3\n4"), 1234);
  EXPECT_DOUBLE_EQ(LeadingNumber("-7.5x9"), -7.5);
  EXPECT_DOUBLE_EQ(LeadingNumber("1.2.3"), 1.2);
  EXPECT_DOUBLE_EQ(LeadingNumber("-"), 0);
  EXPECT_DOUBLE_EQ(LeadingNumber("."), 0);
  EXPECT_DOUBLE_EQ(LeadingNumber("3" + kGa), 3);
}

TEST(WholeNumbers, RoundHalvesToEven) {
  EXPECT_EQ(ToInt32("1234.5", "금액"), 1234);
  EXPECT_EQ(ToInt32("1235.5", "금액"), 1236);
  EXPECT_EQ(ToInt32("-2.5", "금액"), -2);
  EXPECT_EQ(ToInt32("  0042 ", "금액"), 42);
  EXPECT_EQ(ToInt32("2147483647", "금액"), 2147483647);
  EXPECT_EQ(ToInt32("-2147483648", "금액"), -2147483647 - 1);
  EXPECT_EQ(ToInt16("32767", "순번"), 32767);
  EXPECT_EQ(ToInt16("0.5", "순번"), 0);
  EXPECT_EQ(ToInt16("1.5", "순번"), 2);
  EXPECT_EQ(RoundToInt32(2.5, "2.5", "금액"), 2);
}

TEST(WholeNumbers, BlankNonNumericAndOutOfRangeFailNamingFieldAndText) {
  for (const char* bad : {"", "   ", "x12", "12x", "1.2.3", "-", "."}) {
    try {
      ToInt32(bad, "단가");
      FAIL() << "accepted '" << bad << "'";
    } catch (const ImportFailure& failure) {
      EXPECT_NE(std::string(failure.what()).find("단가 '"), std::string::npos);
    }
  }
  try {
    ToInt32("x12", "단가");
    FAIL();
  } catch (const ImportFailure& failure) {
    EXPECT_EQ(std::string(failure.what()), "단가 'x12'을(를) 정수로 바꿀 수 없습니다.");
  }
  EXPECT_THROW(ToInt32("2147483648", "금액"), ImportFailure);
  EXPECT_THROW(ToInt32("-2147483649", "금액"), ImportFailure);
  EXPECT_THROW(ToInt16("32768", "순번"), ImportFailure);
  EXPECT_THROW(ToInt16("-32769", "순번"), ImportFailure);
  EXPECT_THROW(RoundToInt32(1e10, "1e10", "금액"), ImportFailure);
  // The field text reaches the message as readable Korean.
  try {
    ToInt16(Utf8ToCp949("열"), "순번");
    FAIL();
  } catch (const ImportFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("'열'"), std::string::npos);
  }
}

TEST(Dates, TextAndMonthDayCheck) {
  EXPECT_EQ(DateText("2004", "03", "15"), "2004/03/15");
  EXPECT_EQ(DateText("2004", " 3", "5 "), "2004/3/5");
  EXPECT_TRUE(HasMonthAndDay("03", "15"));
  EXPECT_FALSE(HasMonthAndDay("00", "15"));
  EXPECT_FALSE(HasMonthAndDay("03", ""));
  EXPECT_FALSE(HasMonthAndDay("ab", "15"));
  EXPECT_THROW(ThrowNoMonthOrDay("00", "15"), ImportFailure);
}

TEST(Encoding, Cp949RoundTripAndBadBytes) {
  EXPECT_EQ(Cp949ToUtf8(kGa), "가");
  EXPECT_EQ(Cp949ToUtf8(kGak), "갂");
  EXPECT_EQ(Utf8ToCp949("가갂"), kGa + kGak);
  EXPECT_EQ(Cp949ToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(Cp949ToUtf8("ab\xB0"), "ab\xEF\xBF\xBD");
  EXPECT_THROW(Utf8ToCp949("\xF0\x9F\x98\x80"), std::runtime_error);  // an emoji
  EXPECT_TRUE(IsValidUtf8("G차량.txt"));
  EXPECT_FALSE(IsValidUtf8("G" + Utf8ToCp949("차량") + ".txt"));
  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));  // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
  EXPECT_EQ(Cp949("차량"), Utf8ToCp949("차량"));
  EXPECT_EQ(&Cp949("차량"), &Cp949("차량"));
}
