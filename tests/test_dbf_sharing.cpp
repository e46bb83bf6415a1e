// Sharing a table with other programs: the header lock, code pages of other
// tables, appends through several handles, and the flush list.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "dbf/dbf.h"
#include "tests/dbf_test_support.h"

using dbftest::Le32;
using dbftest::ReadBytes;
using dbftest::TempDir;

namespace {

TEST(DbfSharing, AHeldHeaderLockGivesAnErrorNotAHang) {
  TempDir dir;
  dbf::CreateTable(dir.File("carno.dbf"), 0x30, 0x79, {{"CNO", 'C', 6}});
  // Another program (here: another open file description) holds FoxPro's
  // header lock byte.
  int fd = ::open(dir.File("carno.dbf").c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0x7FFFFFFE;
  lock.l_len = 1;
  ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
  const auto before = ReadBytes(dir.File("carno.dbf"));
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset rs;
  rs.Open("carno", connection);
  rs.AddNew();
  rs.SetValue("CNO", std::string("1"));
  const auto start = std::chrono::steady_clock::now();
  std::string message;
  try {
    rs.Update();
  } catch (const dbf::Error& e) {
    message = e.what();
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_NE(message.find("carno"), std::string::npos) << message;
  EXPECT_NE(message.find("다른 프로그램"), std::string::npos) << message;
  EXPECT_GE(waited, std::chrono::seconds(2));
  EXPECT_LT(waited, std::chrono::seconds(15));
  EXPECT_EQ(ReadBytes(dir.File("carno.dbf")), before);
  // Released: the same row saves.
  lock.l_type = F_UNLCK;
  ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
  rs.Update();
  EXPECT_EQ(Le32(ReadBytes(dir.File("carno.dbf")), 4), 1u);
  ::close(fd);
}

TEST(DbfSharing, ClosingAnotherDescriptorKeepsOurLock) {
  // The lock is held on the file description: a reader closing its own
  // descriptor of the same file in between must not release it.
  TempDir dir;
  dbf::CreateTable(dir.File("t.dbf"), 0x03, 0, {{"A", 'C', 1}});
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset a, b;
  a.Open("t", connection);
  b.Open("t", connection);
  for (int i = 0; i < 50; ++i) {
    dbf::Recordset& rs = i % 2 ? a : b;
    rs.AddNew();
    rs.SetValue("A", std::string(1, static_cast<char>('a' + i % 26)));
    rs.Update();
    dbf::Recordset reader;
    reader.Open("t", connection);
    reader.Close();
  }
  const auto bytes = ReadBytes(dir.File("t.dbf"));
  EXPECT_EQ(Le32(bytes, 4), 50u);
  EXPECT_EQ(bytes.size(), 32u + 32 + 1 + 50 * 2 + 1);
  b.MoveFirst();
  int rows = 0;
  for (; !b.Eof(); b.MoveNext()) EXPECT_EQ(b.GetText("A"), std::string(1, static_cast<char>('a' + rows++ % 26)));
  EXPECT_EQ(rows, 50);
}

TEST(DbfSharing, LeftoverUncountedRecordIsOverwritten) {
  TempDir dir;
  dbf::CreateTable(dir.File("t.dbf"), 0x03, 0, {{"A", 'C', 3}});
  auto bytes = ReadBytes(dir.File("t.dbf"));
  bytes.pop_back();  // a killed append: a whole record, its end mark, and junk
  for (const char* tail : {" zzz", "\x1A", "junk"}) bytes.insert(bytes.end(), tail, tail + std::strlen(tail));
  dbftest::WriteBytes(dir.File("t.dbf"), bytes);
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset rs;
  rs.Open("t", connection);
  rs.AddNew();
  rs.SetValue("A", std::string("new"));
  rs.Update();
  const auto after = ReadBytes(dir.File("t.dbf"));
  EXPECT_EQ(Le32(after, 4), 1u);
  ASSERT_EQ(after.size(), 65u + 4 + 1);
  EXPECT_EQ(std::string(after.begin() + 65, after.end()), " new\x1A");
}

TEST(DbfSharing, OtherCodePagesAreConvertedAndUnrepresentableTextIsAnError) {
  TempDir dir;
  dbf::CreateTable(dir.File("latin.dbf"), 0x03, 0x03, {{"A", 'C', 4}});  // 1252
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset rs;
  rs.Open("latin", connection);
  rs.AddNew();
  std::string message;
  try {
    rs.SetValue("A", std::string("\xB0\xA1"));  // 가
  } catch (const dbf::Error& e) {
    message = e.what();
  }
  EXPECT_NE(message.find("코드 페이지"), std::string::npos) << message;
  EXPECT_NE(message.find("가"), std::string::npos) << message;
  rs.SetValue("A", std::string("\xA2\xB4"));  // "¤": two bytes in CP949, 0xA4 in 1252
  rs.Update();
  const auto bytes = ReadBytes(dir.File("latin.dbf"));
  EXPECT_EQ(bytes[66], 0xA4);  // converted, not stored as the CP949 bytes
  EXPECT_EQ(bytes[67], 0x20);
  rs.MoveFirst();
  EXPECT_EQ(rs.GetText("A"), "\xA2\xB4");  // and back
}

TEST(DbfSharing, WrittenTablesAreFlushedAndClosingStaysCheap) {
  TempDir dir;
  dbf::CreateTable(dir.File("t.dbf"), 0x03, 0, {{"A", 'C', 3}});
  dbf::Connection connection;
  connection.Open(dir.Path());
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 2000; ++i) {  // one open per record, as some imports do
    dbf::Recordset rs;
    rs.Open("t", connection);
    rs.AddNew();
    rs.SetValue("A", std::to_string(i % 1000));
    rs.Update();
    rs.Close();
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::seconds(10));
  connection.FlushWrittenTables();
  EXPECT_EQ(Le32(ReadBytes(dir.File("t.dbf")), 4), 2000u);
}

TEST(DbfSharing, KilledInTheMiddleOfARecordLeavesNoHalfRow) {
  // A file size limit with SIGXFSZ left at its default kills the writer
  // exactly when its record write reaches the limit: a deterministic kill in
  // the middle of a record.
  TempDir dir;
  dbf::CreateTable(dir.File("t.dbf"), 0x30, 0x79, {{"A", 'C', 200}, {"B", 'N', 10, 2}});
  {
    dbf::Connection connection;
    connection.Open(dir.Path());
    dbf::Recordset rs;
    rs.Open("t", connection);
    rs.AddNew();
    rs.SetValue("A", std::string("first"));
    rs.Update();
  }
  const auto before = ReadBytes(dir.File("t.dbf"));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_DFL);
    struct rlimit limit {};
    limit.rlim_cur = limit.rlim_max = before.size() + 100;  // inside the second record
    ::setrlimit(RLIMIT_FSIZE, &limit);
    dbf::Connection connection;
    connection.Open(dir.Path());
    dbf::Recordset rs;
    rs.Open("t", connection);
    rs.AddNew();
    rs.SetValue("A", std::string(200, 'x'));
    try {
      rs.Update();
    } catch (...) {
    }
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the writer was not killed";
  const auto after = ReadBytes(dir.File("t.dbf"));
  EXPECT_EQ(Le32(after, 4), 1u);
  EXPECT_EQ(std::vector<unsigned char>(after.begin(), after.begin() + before.size()), before)
      << "the counted records or their end mark changed";
  EXPECT_EQ(after[before.size() - 1], 0x1A);
  const std::string out = dbftest::RunPython(
      "import dbfread, sys\n"
      "print(len(list(dbfread.DBF(sys.argv[1], encoding='cp949'))))\n",
      dir.File("t.dbf"));
  EXPECT_EQ(out, "1\n");
  // The next append cleans up the unfinished bytes.
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset rs;
  rs.Open("t", connection);
  rs.AddNew();
  rs.SetValue("A", std::string("second"));
  rs.Update();
  const auto last = ReadBytes(dir.File("t.dbf"));
  const unsigned recordLength = last[10] | (last[11] << 8);
  EXPECT_EQ(last.size(), before.size() + recordLength);
  EXPECT_EQ(last.back(), 0x1A);
}

}  // namespace
