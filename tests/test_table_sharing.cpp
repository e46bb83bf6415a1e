// Sharing tables with other processes and surviving kills and failed writes.
// Every check reads the file back three ways: the test's own byte reader,
// python3-dbfread (reads to the end mark) and python3-dbf (trusts the count).
// The numbers (1)-(7) are the append rules at the head of dbf/row_writer.cpp.
// On Windows (under Wine) the locks and exclusive use of other programs and
// the tails of killed saves are tested; the writers killed, the full disks
// and the file size limits need fork() and kill(): Linux only.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#endif

#include <map>
#include <random>
#include <thread>

#include "dbf/dbf.h"
#include "support/test_support.h"

namespace {

using namespace std::chrono_literals;

// Every row says which writer saved it, in which order, and carries a pattern
// derived from both, so a lost, doubled or torn row or memo shows.
std::string Pad(int worker, int seq) {
  char unit[16];
  std::snprintf(unit, sizeof unit, "w%d.s%07d|", worker, seq);
  std::string pad;
  while (pad.size() < 120) pad += unit;
  return pad.substr(0, 120);
}
std::string Memo(int worker, int seq, int patterns = 0) {  // 1 to 7 patterns: one or several blocks
  return patterns > seq % 7 ? "" : Pad(worker, seq) + Memo(worker, seq, patterns + 1);
}

// Version 0x03 has no memo; the others a memo column NOTE. Wide records (about
// 2 200 bytes) straddle the file's pages.
std::string MakeTable(const std::string& dir, std::uint8_t version, bool wide = false) {
  std::vector<dbf::ColumnSpec> columns = {{"WORKER", 'N', 2}, {"SEQ", 'N', 7}, {"PAD", 'C', 120}};
  if (version != 0x03) columns.push_back({"NOTE", 'M', version == 0x30 ? 4 : 10});
  for (int i = 1; wide && i <= 8; ++i) columns.push_back({"FILL" + std::to_string(i), 'C', 254});
  dbf::CreateTable(dir + "/stress.dbf", version, 0x79, columns);
  return dir + "/stress.dbf";
}

struct Writer {
  dbf::Connection connection;
  dbf::Recordset rs;
  explicit Writer(const std::string& dir, bool checkOnly = false) {
    connection.Open(dir, checkOnly);
    rs.Open("stress", connection);
  }
  void Append(int worker, int seq, bool memo = true) {
    rs.AddNew();
    rs.SetValue("WORKER", worker);
    rs.SetValue("SEQ", seq);
    rs.SetValue("PAD", Pad(worker, seq));
    if (memo && rs.ColumnCount() > 3 && rs.ColumnName(3) == "NOTE") rs.SetValue("NOTE", Memo(worker, seq));
    rs.Update();
  }
};

// The rows of each writer ("0:200 1:200"), or what is wrong with the table.
// Every counted record is live and holds its writer's pattern and memo, each
// writer's rows in the order saved. Past the counted records only what a kill
// may leave (rules (2)-(4)): an end mark, or up to `tailRecords` records that
// start with valid flags, the last one maybe cut short, whole ones maybe with
// an end mark after them; when `clean`, exactly one end mark.
std::string Check(const std::string& path, bool clean, std::uint64_t tailRecords = 1) {
  const std::string b = ReadBytes(path);
  const std::uint64_t count = Le(b, 4), headerLength = Le(b, 8, 2), length = Le(b, 10, 2);
  const std::uint64_t end = headerLength + count * length;
  if (end > b.size()) return "the count exceeds the records on disk";
  const std::string tail = b.substr(end);
  const std::size_t marked = !tail.empty() && tail.back() == '\x1A' && tail.size() % length == 1;
  const std::uint64_t records = (tail.size() - marked + length - 1) / length;
  bool flags = records <= tailRecords;
  for (std::uint64_t i = 0; i < records; ++i) flags = flags && tail[i * length] == ' ';
  if (clean ? tail != "\x1A" : !flags)
    return "a tail of " + std::to_string(tail.size()) + " bytes after the counted records";
  const std::vector<Row> rows = ReadRows(path), counted = ReadRows(path, "dbf");
  if (rows.size() != count + records || counted.size() != count)
    return "dbfread reads " + std::to_string(rows.size()) + " rows, python3-dbf " +
           std::to_string(counted.size()) + ", the count is " + std::to_string(count);
  std::map<int, int> next;
  for (std::uint64_t i = 0; i < count; ++i) {
    const int worker = std::stoi(rows[i][0]), seq = std::stoi(rows[i][1]);
    if (b[headerLength + i * length] != ' ' || seq != next[worker]++ || rows[i][2] != Pad(worker, seq) ||
        counted[i][2] != Pad(worker, seq) || (b[0] != 3 && rows[i][3] != "None" && rows[i][3] != Memo(worker, seq)))
      return "record " + std::to_string(i + 1) + " is lost, doubled, torn or has a wrong memo";
  }
  std::string summary;
  for (const auto& [worker, rowCount] : next) summary += std::to_string(worker) + ":" + std::to_string(rowCount) + " ";
  return summary;
}

#ifndef _WIN32
// Writers in child processes, appending `rows` rows each with a pause between
// them; writer 0 opens the table anew every ten rows, as imports that open a
// table per record do. Each reports a '+' per saved row.
std::vector<Child> StartWriters(const std::string& dir, int writers, int rows) {
  std::vector<Child> children;
  for (int w = 0; w < writers; ++w)
    children.push_back(StartChild([=](int report) {
      Writer writer(dir);
      for (int seq = 0; seq < rows; ++seq, std::this_thread::sleep_for(std::chrono::microseconds(100))) {
        writer.Append(w, seq);
        Report(report, "+");
        if (w == 0 && seq % 10 == 9) writer.rs.Close(), writer.rs.Open("stress", writer.connection);
      }
      return 0;
    }));
  return children;
}

std::size_t ReportsUntil(const Child& child, std::size_t wanted) {
  std::size_t reported = 0;
  char buffer[256];
  for (ssize_t n = 1; reported < wanted && n > 0; reported += std::max<ssize_t>(n, 0))
    n = read(child.reportFd, buffer, sizeof buffer);
  return reported;
}

// Three writers in other processes, one of them killed on the way, and this
// process appending in batches while another of its threads looks up the rows of writer 0
// as they come and opens and closes the table meanwhile (locks belong to the
// open file description, so that does not drop them).
TEST(TableSharing, WritersLoseNothingWhileOneIsKilledAndRowsAreLookedUp_Rules1To5) {
  for (std::uint8_t version : {0x03, 0x83, 0xF5, 0x30}) {
    SCOPED_TRACE("version " + std::to_string(version));
    TempDir dir;
    const std::string path = MakeTable(dir.Path(), version);
    std::vector<Child> writers = StartWriters(dir.Path(), 3, 300);
    std::size_t killed = ReportsUntil(writers[2], 40);
    kill(writers[2].pid, SIGKILL);
    killed += ReadReport(writers[2]).size();
    std::thread reader([&] {
      try {
        Writer lookup(dir.Path());
        std::string found;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (int seq = 0; seq < 300; dbf::Recordset().Open("stress", lookup.connection)) {
          ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "row " << seq << " of writer 0 never found";
          if (lookup.rs.FindFirstEqual("PAD", Pad(0, seq), "SEQ", found)) {
            EXPECT_EQ(found, std::to_string(seq++));
          }
        }
      } catch (const dbf::Error& e) {
        ADD_FAILURE() << e.what();
      }
    });
    Writer writer(dir.Path());
    writer.connection.BeginBatches();  // batches of 300 rows: the others' rows come whole between them
    for (int seq = 0; seq < 900; ++seq)
      if (writer.Append(3, seq); seq % 300 == 299) writer.connection.EndBatch();
    reader.join();
    for (Child& c : writers) {
      ReadReport(c);
      EXPECT_EQ(WaitChild(c), &c == &writers[2] ? 128 + SIGKILL : 0);
    }
    const std::string rows = Check(path, false);
    EXPECT_TRUE(rows == "0:300 1:300 2:" + std::to_string(killed) + " 3:900 " ||
                rows == "0:300 1:300 2:" + std::to_string(killed + 1) + " 3:900 ") << rows << killed;
  }
}

// A writer killed at a random moment, or by a file size limit in the middle of
// a record: every row it reported saved is counted, the table keeps the kill
// promise, and the next append leaves it clean with the old records untouched.
TEST(TableSharing, KilledWriterLeavesAValidTableTheNextAppendCleans_Rules1To5) {
  std::mt19937 random(20241);
  for (int round = 0; round < 15; ++round) {
    const std::uint8_t version = std::vector<std::uint8_t>{0x03, 0x83, 0x30}[round % 3];
    const bool byLimit = round < 3;
    SCOPED_TRACE("round " + std::to_string(round) + ", version " + std::to_string(version));
    TempDir dir;
    const std::string path = MakeTable(dir.Path(), version, byLimit || round % 2);
    Writer(dir.Path()).Append(1, 0);
    const rlim_t limit = ReadBytes(path).size() + 100;
    Child child = StartChild([&](int report) -> int {
      const rlimit rl{limit, limit}, noCore{0, 0};
      if (byLimit) signal(SIGXFSZ, SIG_DFL), setrlimit(RLIMIT_FSIZE, &rl), setrlimit(RLIMIT_CORE, &noCore);
      Writer writer(dir.Path());
      for (int seq = 1;; ++seq) writer.Append(1, seq, !byLimit), Report(report, "+");
    });
    std::size_t reported = 1 + (byLimit ? 0 : ReportsUntil(child, 5 + random() % 60));
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 400));
    if (!byLimit) kill(child.pid, SIGKILL);
    reported += ReadReport(child).size();
    EXPECT_EQ(WaitChild(child), 128 + (byLimit ? SIGXFSZ : SIGKILL));
    const std::string killed = ReadBytes(path);
    const std::uint64_t count = Le(killed, 4), end = Le(killed, 8, 2) + count * Le(killed, 10, 2);
    EXPECT_EQ(Check(path, false), "1:" + std::to_string(count) + " ");
    EXPECT_TRUE(count == reported || count == reported + 1) << count << " counted, " << reported << " reported";
    EXPECT_TRUE(!byLimit || (killed[end] == ' ' && killed.size() < end + Le(killed, 10, 2))) << "not cut mid-record";
    Writer(dir.Path()).Append(2, 0);
    EXPECT_EQ(ReadBytes(path).compare(8, end - 8, killed, 8, end - 8), 0) << "the counted records changed";
    EXPECT_EQ(Check(path, true), "1:" + std::to_string(count) + " 2:1 ");
  }
}

// A writer killed inside a batch of 300 rows with memos and keys: after its
// records, before their count, or after the count, before the index pages.
// Other readers see the rows counted before or the whole batch; the journal's
// undo (each row of the batch, last first, deleted while it is as saved) then
// takes the table back exactly, and the next save finds the index whole.
TEST(TableSharing, AWriterKilledInsideABatchIsUndoneExactly_Rules2To5) {
  for (const dbf::BatchPoint point : {dbf::BatchPoint::kRecordsWritten, dbf::BatchPoint::kCountWritten}) {
    const bool counted = point == dbf::BatchPoint::kCountWritten;
    SCOPED_TRACE(counted ? "after the count" : "after the records");
    TempDir dir;
    const std::string path = MakeTable(dir.Path(), 0x30);
    dbf::CreateStructuralIndex(path, {{.name = "SEQ", .key = "SEQ", .filter = ""}});
    Writer(dir.Path()).Append(1, 0);
    const std::string before = ReadBytes(path);
    Child child = StartChild([&](int report) {
      Writer writer(dir.Path());
      writer.connection.BeginBatches();
      writer.connection.SetRowObserver([&](const std::string&, std::span<const dbf::ObservedRow> rows) {
        for (const dbf::ObservedRow& row : rows) Report(report, std::string(row.record.begin(), row.record.end()));
      });
      writer.connection.SetBatchProbe([&](dbf::BatchPoint at) {
        if (at == point) raise(SIGKILL);
      });
      for (int seq = 1; seq <= 300; ++seq) writer.Append(1, seq);
      writer.connection.EndBatch();
      return 0;
    });
    const std::string journal = ReadReport(child);
    EXPECT_EQ(WaitChild(child), 128 + SIGKILL);
    EXPECT_EQ(Check(path, false, 300), counted ? "1:301 " : "1:1 ");
    const std::string killed = ReadBytes(path);

    dbf::Connection connection;
    connection.Open(dir.Path());
    dbf::Recordset undo;
    undo.Open("stress", connection);
    const std::size_t length = journal.size() / 300;
    for (std::uint32_t n = 301; n >= 2; --n) {
      const std::string saved = journal.substr((n - 2) * length, length);
      undo.DeleteRowIfSame(n, [&](std::span<const std::uint8_t> row) { return std::string(row.begin(), row.end()) == saved; });
    }
    undo.Close();
    std::string expected = before;
    if (counted) {  // the batch's rows stay, marked deleted
      expected = killed;
      for (std::uint64_t n = 2; n <= 301; ++n) expected[Le(before, 8, 2) + (n - 1) * length] = '*';
      EXPECT_EQ(ReadRows(path).size(), 1u);
    }
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(Le(ReadBytes(path), 4), counted ? 301u : 1u);
    connection.TakeRebuiltTags();  // the keys the kill kept out
    Writer next(dir.Path());
    next.Append(2, 0);
    EXPECT_TRUE(next.connection.TakeRebuiltTags().empty());
  }
}

#endif  // fork() and kill()

// What a killed save leaves past the count (R: a whole record, H: half of
// one) is overwritten by the next save and cut back; more is refused.
TEST(TableSharing, TailsPastTheCountAreOverwritten_Rule5) {
  for (const std::string tail : {"", "R\x1A", "R", "\x1AH"}) {
    SCOPED_TRACE("tail " + tail);
    TempDir dir;
    const std::string path = MakeTable(dir.Path(), 0x03);
    Writer(dir.Path()).Append(1, 0);
    std::string bytes = ReadBytes(path);
    const std::string record = bytes.substr(Le(bytes, 8, 2), Le(bytes, 10, 2));
    bytes.pop_back();
    for (char c : tail) bytes += c == 'R' ? record : c == 'H' ? record.substr(0, 60) : std::string(1, c);
    WriteBytes(path, bytes);
    Writer(dir.Path()).Append(1, 1);
    EXPECT_EQ(Check(path, true), "1:2 ");
  }
}

#ifndef _WIN32
// While another process appends rows with memos and keys, a check sees its
// tables at one moment (count, file sizes, memo header and index together): a
// hundred checks, each opening the table and saving a row with a memo in
// memory, never find it damaged. A real save then lands after every row the
// other process appended.
TEST(TableSharing, AChecksPictureOfATableAnotherProcessAppendsToIsOneMoment) {
  TempDir dir;
  const std::string path = MakeTable(dir.Path(), 0x30);
  dbf::CreateStructuralIndex(path, {{.name = "PAD", .key = "LEFT(PAD,30)", .filter = ""}});
  std::vector<Child> appender = StartWriters(dir.Path(), 1, 1 << 30);
  ReportsUntil(appender[0], 20);
  for (int check = 0; check < 100; ++check) try {
      Writer(dir.Path(), /*checkOnly=*/true).Append(9, check);
    } catch (const dbf::Error& e) {
      ADD_FAILURE() << "check " << check << ": " << e.what();
    }
  kill(appender[0].pid, SIGKILL);
  WaitChild(appender[0]);
  Writer(dir.Path()).Append(2, 0);
  const std::string rows = Check(path, true);
  EXPECT_EQ(rows.substr(rows.find(' ')), " 2:1 ") << rows;
}

#endif  // fork() and kill()

// A helper process holding byte `offset` of the table (or, for offset -1, the
// whole file with flock(LOCK_EX), as an xBase program that opened it for
// exclusive use) for `hold`, as other programs lock. Returns once held. On
// Windows the helper is hold_table.exe: LockFileEx, or share mode 0.
#ifdef _WIN32
struct Holder {
  HANDLE process = nullptr;
};
Holder HoldLock(const std::string& path, long long offset, std::chrono::milliseconds hold) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd, writeEnd;
  EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  std::wstring command = FsPath("\"" BIN_DIR "/hold_table.exe\" \"" + path + "\" " + std::to_string(offset) + " " +
                                std::to_string(hold.count())).wstring();
  PROCESS_INFORMATION process{};
  EXPECT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process));
  CloseHandle(writeEnd);
  CloseHandle(process.hThread);
  char held[4] = {};
  DWORD n = 0;
  EXPECT_TRUE(ReadFile(readEnd, held, sizeof held, &n, nullptr) && n == 4) << "the helper holds nothing";
  CloseHandle(readEnd);
  return {process.hProcess};
}
void EndHold(Holder& holder) {
  TerminateProcess(holder.process, 1);
  WaitForSingleObject(holder.process, INFINITE);
  CloseHandle(holder.process);
}
#else
using Holder = Child;
Holder HoldLock(const std::string& path, off_t offset, std::chrono::milliseconds hold) {
  Child holder = StartChild([&](int report) {
    struct flock lock {};
    lock.l_type = F_WRLCK, lock.l_start = offset, lock.l_len = 1;
    const int fd = open(path.c_str(), O_RDWR);
    if (offset < 0 ? flock(fd, LOCK_EX) != 0 : fcntl(fd, F_SETLK, &lock) != 0) return 3;
    Report(report, "held");
    std::this_thread::sleep_for(hold);
    return 0;
  });
  EXPECT_EQ(ReportsUntil(holder, 4), 4u);
  return holder;
}
void EndHold(Holder& holder) {
  kill(holder.pid, SIGKILL);
  WaitChild(holder);
}
#endif

// The header lock byte of each scheme held for a short while is waited for;
// held for long, it gives a bounded wait, a message and no change. A table
// open for exclusive use is refused at once.
TEST(TableSharing, TheLocksOfEveryProgramFamilyAreRespected) {
  TempDir dir;
  const std::string path = MakeTable(dir.Path(), 0x03);
  Writer(dir.Path()).Append(1, 0);
  const std::string locked = "테이블 stress을(를) 다른 프로그램이 잠그고 있어 행을 저장하지 못했습니다. 잠시 후 다시 시도하십시오.";
  const std::string exclusive = "테이블 stress을(를) 다른 프로그램이 단독 사용으로 열어 두어 열 수 없습니다. 그 프로그램에서 "
                                "테이블을 닫은 뒤 다시 시도하십시오.";
  const struct {
    long long byte;
    int holdMs;
  } holds[] = {{1000000000, 300}, {0x40000000, 300}, {0x7FFFFFFE, 300}, {0x40000000, 30000}, {-1, 30000}};
  for (const auto& [byte, holdMs] : holds) {
    SCOPED_TRACE("byte " + std::to_string(byte));
    const std::string before = ReadBytes(path);
    Holder holder = HoldLock(path, byte, std::chrono::milliseconds(holdMs));
    const auto start = std::chrono::steady_clock::now();
    std::string error;
    try {
      Writer(dir.Path()).Append(1, Le(before, 4));
    } catch (const dbf::Error& e) {
      error = e.what();
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    EndHold(holder);
    if (holdMs == 300) {
      EXPECT_GT(waited, 250ms);
      EXPECT_EQ(Check(path, true), "1:" + std::to_string(Le(before, 4) + 1) + " ");
    } else {
      EXPECT_EQ(error, byte < 0 ? exclusive : locked);
      EXPECT_TRUE(byte < 0 ? waited < 1s : waited > 2s && waited < 15s) << (waited / 1ms) << " ms";
      EXPECT_EQ(ReadBytes(path), before);
    }
  }
}

#ifndef _WIN32
// A save that cannot be written fails with a message naming the table and
// leaves the table valid with exactly the rows saved before (rule (6)). The
// limit is a file size limit past the size of the table, or of the memo file.
struct WriteFailure {
  std::string what;
  std::uint8_t version;
  int limit = 0, saved = 0;  // rows that go through before the failure (-1: any number)
} const kWriteFailures[] = {
    {"tmpfs full", 0x03, 0, -1}, {"tmpfs full", 0x83, 0, -1}, {"tmpfs full", 0x30, 0, -1},
    {"size limit", 0x03, -1}, {"size limit", 0x03, 0}, {"size limit", 0x03, 65}, {"size limit", 0x03, 129},
    {"size limit", 0x03, 259, 1}, {"memo size limit", 0x30, 100}, {"read-only table", 0x03},
    {"read-only memo", 0x83},
};

TEST(TableSharing, WriteFailuresLeaveTheTableValidWithTheRowsSavedBefore_Rule6) {
  for (const WriteFailure& f : kWriteFailures) {
    SCOPED_TRACE(f.what + ", version " + std::to_string(f.version) + ", limit " + std::to_string(f.limit));
    TempDir dir;
    Child child = StartChild([&](int report) {
      const bool root = geteuid() == 0;
      if (f.what == "tmpfs full" && (unshare(CLONE_NEWNS) != 0 || mount(0, "/", 0, MS_REC | MS_PRIVATE, 0) != 0 ||
                                     mount("tmpfs", dir.Path().c_str(), "tmpfs", 0, "size=64k") != 0))
        return 77;
      const std::string path = MakeTable(dir.Path(), f.version);
      const std::string memoPath = path.substr(0, path.size() - 3) + (f.version == 0x83 ? "dbt" : "fpt");
      for (int seq = 0; seq < 4; ++seq) Writer(dir.Path()).Append(1, seq);
      const std::string before = ReadBytes(path), memoBefore = ReadBytes(memoPath);
      const std::set<std::string> listing = dir.Listing();
      const rlim_t limit = (f.what == "size limit" ? before : memoBefore).size() + f.limit;
      const rlimit rl{limit, limit};
      if (f.what.find("size limit") != std::string::npos) signal(SIGXFSZ, SIG_IGN), setrlimit(RLIMIT_FSIZE, &rl);
      if (f.what == "read-only memo") chmod(path.c_str(), 0666);
      // Root ignores file modes: it writes as "nobody" to a root-owned file of
      // mode 0644, keeping the right to become root again for the readers.
      if (f.what.find("read-only") != std::string::npos) {
        chmod((f.what == "read-only table" ? path : memoPath).c_str(), root ? 0644 : 0444);
        if (root && (setgroups(0, nullptr) || setresgid(65534, 65534, 0) || setresuid(65534, 65534, 0))) return 4;
      }
      int saved = 0;
      std::string error;
      try {
        for (Writer writer(dir.Path()); saved < 100000; ++saved) writer.Append(1, 4 + saved);
      } catch (const dbf::Error& e) {
        error = e.what();
      }
      if (root) setresuid(0, 0, 0), setresgid(0, 0, 0);
      chmod(path.c_str(), 0644), chmod(memoPath.c_str(), 0644);
      const std::string after = ReadBytes(path);
      const std::uint64_t end = Le(before, 8, 2) + std::uint64_t{Le(before, 4)} * Le(before, 10, 2);
      std::string problems = Check(path, true);
      if (problems == "1:" + std::to_string(4 + saved) + " ") problems.clear();
      if (error.find("테이블 stress") == std::string::npos) problems += " no error naming the table: " + error;
      if (f.saved >= 0 && saved != f.saved) problems += " " + std::to_string(saved) + " saved";
      if (after.compare(8, end - 8, before, 8, end - 8) != 0) problems += " old records changed";
      if (f.what == "read-only table" && (after != before || dir.Listing() != listing)) problems += " table changed";
      if (f.what.find("memo") != std::string::npos && ReadBytes(memoPath) != memoBefore) problems += " memo changed";
      Report(report, problems);
      return 0;
    });
    const std::string problems = ReadReport(child);
    const int code = WaitChild(child);
    if (code == 77) {
      std::printf("skipped: no right to mount a small tmpfs here\n");
      continue;
    }
    EXPECT_EQ(code, 0);
    EXPECT_EQ(problems, "");
  }
}

TEST(TableSharing, AFailedFlushIsReported) {
  TempDir dir;
  MakeTable(dir.Path(), 0x03);
  Writer writer(dir.Path());
  writer.Append(1, 0);
  std::filesystem::remove(dir.File("stress.dbf"));
  EXPECT_THROW(writer.connection.FlushWrittenTables(), dbf::Error);
}
#endif  // fork(), mounts, file size limits, a file removed while open

}  // namespace
