// The literal lookup by name: stored order, exact match after trailing blanks,
// deleted rows skipped, rows appended after the open seen.
#include <gtest/gtest.h>

#include "dbf/dbf.h"
#include "tests/dbf_test_support.h"

using dbftest::ReadBytes;
using dbftest::TempDir;

namespace {

class Lookup : public ::testing::Test {
 protected:
  void SetUp() override {
    dbf::CreateTable(dir.File("vdrs110.dbf"), 0x30, 0x79,
                     {{"D11_code", 'C', 6}, {"D11_cname", 'C', 30}, {"D11_memo", 'M'}});
    connection.Open(dir.Path());
  }
  void Append(const std::string& code, const std::string& name) {
    dbf::Recordset rs;
    rs.Open("vdrs110", connection);
    rs.AddNew();
    rs.SetValue("D11_code", code);
    rs.SetValue("D11_cname", name);
    rs.Update();
  }
  // Marks record `index` (0-based) deleted, as the owning application does.
  void Delete(int index, char flag = '*') {
    auto bytes = ReadBytes(dir.File("vdrs110.dbf"));
    const unsigned headerLength = bytes[8] | (bytes[9] << 8);
    const unsigned recordLength = bytes[10] | (bytes[11] << 8);
    bytes[headerLength + index * recordLength] = static_cast<unsigned char>(flag);
    dbftest::WriteBytes(dir.File("vdrs110.dbf"), bytes);
  }
  std::string Find(const std::string& name) {
    std::string code;
    if (!lookup.FindFirstEqual("D11_cname", name, "D11_code", code)) return "<none>";
    return code;
  }
  TempDir dir;
  dbf::Connection connection;
  dbf::Recordset lookup;
};

TEST_F(Lookup, FirstRowInStoredOrder) {
  Append("100001", "alpha");
  Append("100002", "beta");
  Append("100003", "alpha");
  lookup.Open("vdrs110", connection);
  EXPECT_EQ(Find("alpha"), "100001");
  EXPECT_EQ(Find("beta"), "100002");
  EXPECT_EQ(Find("gamma"), "<none>");
}

TEST_F(Lookup, ExactAndCaseSensitive) {
  Append("100001", "Alpha");
  Append("100002", "alpha beta");
  lookup.Open("vdrs110", connection);
  EXPECT_EQ(Find("alpha"), "<none>");
  EXPECT_EQ(Find("Alpha "), "<none>");  // the name is not trimmed, only the stored value
  EXPECT_EQ(Find("alpha%"), "<none>");
  EXPECT_EQ(Find("alpha*"), "<none>");
  EXPECT_EQ(Find("alpha beta"), "100002");
  EXPECT_EQ(Find(""), "<none>");
}

TEST_F(Lookup, ApostropheAndWildcardsAreOrdinaryCharacters) {
  Append("100001", "O'Neil _%*?");
  Append("100002", "O_Neil");
  lookup.Open("vdrs110", connection);
  EXPECT_EQ(Find("O'Neil _%*?"), "100001");
  EXPECT_EQ(Find("O?Neil"), "<none>");
  EXPECT_EQ(Find("O_Neil"), "100002");
}

TEST_F(Lookup, KoreanNames) {
  Append("200001", "\xB0\xA1\xB3\xAA");  // 가나 in CP949
  lookup.Open("vdrs110", connection);
  EXPECT_EQ(Find("\xB0\xA1\xB3\xAA"), "200001");
  EXPECT_EQ(Find("\xB0\xA1"), "<none>");
}

TEST_F(Lookup, DeletedRowsNeverMatch) {
  Append("100001", "alpha");
  Append("100002", "alpha");
  Delete(0);
  lookup.Open("vdrs110", connection);
  EXPECT_EQ(Find("alpha"), "100002");
}

TEST_F(Lookup, RowDeletedAfterItWasReadIsSkipped) {
  Append("100001", "alpha");
  Append("100002", "alpha");
  lookup.Open("vdrs110", connection);
  EXPECT_EQ(Find("alpha"), "100001");
  Delete(0);
  EXPECT_EQ(Find("alpha"), "100002");
  Delete(1);
  EXPECT_EQ(Find("alpha"), "<none>");
  Delete(0, ' ');  // recalled
  EXPECT_EQ(Find("alpha"), "100001");
}

TEST_F(Lookup, SeesRowsAppendedAfterTheOpen) {
  Append("100001", "alpha");
  lookup.Open("vdrs110", connection);
  EXPECT_EQ(Find("beta"), "<none>");
  Append("100002", "beta");  // through another handle of this program
  EXPECT_EQ(Find("beta"), "100002");
  // and by another program
  const std::string out = dbftest::RunPython(
      "import sys\n"
      "p = sys.argv[1]\n"
      "b = bytearray(open(p, 'rb').read())\n"
      "hl = b[8] | b[9] << 8; rl = b[10] | b[11] << 8\n"
      "n = int.from_bytes(b[4:8], 'little')\n"
      "rec = bytearray(b' ' + b'100003' + b'gamma'.ljust(30) + bytes(rl - 37))\n"
      "b[hl + n * rl:] = rec + b'\\x1a'\n"
      "b[4:8] = (n + 1).to_bytes(4, 'little')\n"
      "open(p, 'wb').write(b)\n"
      "print('ok')\n",
      dir.File("vdrs110.dbf"));
  ASSERT_EQ(out, "ok\n");
  EXPECT_EQ(Find("gamma"), "100003");
  EXPECT_EQ(Find("beta"), "100002");
}

TEST_F(Lookup, ReadingRowsInOrder) {
  Append("100001", "alpha");
  Append("100002", "beta");
  Append("100003", "gamma");
  Delete(1);
  dbf::Recordset rs;
  rs.Open("vdrs110", connection);
  rs.MoveFirst();
  std::vector<std::string> codes;
  for (; !rs.Eof(); rs.MoveNext()) codes.push_back(rs.GetText("D11_CODE"));
  EXPECT_EQ(codes, (std::vector<std::string>{"100001", "100003"}));
  EXPECT_THROW(rs.MoveNext(), dbf::Error);
  EXPECT_THROW(rs.GetText("D11_code"), dbf::Error);
}

}  // namespace
