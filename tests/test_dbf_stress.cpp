// Appends under stress: several processes at once, a writer killed in the
// middle, a file size limit and a read-only table. Every check reads the file
// back with an independent byte reader and with python3-dbfread.
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "dbf/dbf.h"
#include "support/child_process.h"
#include "support/dbfread_oracle.h"
#include "support/python_dbf_oracle.h"
#include "support/raw_dbf.h"
#include "support/scratch_dir.h"
#include "support/stress_table.h"

namespace {

// Every counted record is live, whole, unique and holds its writer's pattern;
// each writer's rows appear in the order it saved them. Returns rows per writer.
std::map<int, int> CheckStressRows(const std::string& bytes, const rawdbf::Layout& l) {
  std::map<int, int> nextSeq;
  for (std::uint32_t i = 0; i < l.count; ++i) {
    SCOPED_TRACE("record " + std::to_string(i + 1));
    EXPECT_EQ(bytes[l.RecordStart(i)], ' ');
    const int worker = std::stoi(rawdbf::FieldText(bytes, l, i, "WORKER"));
    const int seq = std::stoi(rawdbf::FieldText(bytes, l, i, "SEQ"));
    EXPECT_EQ(seq, nextSeq[worker]) << "writer " << worker << " lost or doubled a row";
    EXPECT_EQ(rawdbf::FieldText(bytes, l, i, "PAD"), PadFor(worker, seq)) << "torn row";
    nextSeq[worker] = seq + 1;
  }
  return nextSeq;
}

// An append may change header bytes 1-7 (date and count) and what follows the
// old records, nothing else.
void ExpectOnlyCountAndDateChanged(const std::string& before, const std::string& after,
                                   const rawdbf::Layout& old) {
  ASSERT_GE(after.size(), old.RecordStart(old.count));
  EXPECT_EQ(after[0], before[0]);
  const std::size_t end = old.RecordStart(old.count);
  EXPECT_TRUE(after.compare(8, end - 8, before, 8, end - 8) == 0)
      << "bytes beyond the count changed in the header or the old records";
}

void ExpectOracleSeesCountedRows(const std::string& path, const std::string& bytes,
                                 const rawdbf::Layout& l, std::size_t extraAllowed) {
  const std::vector<OracleRow> rows = ReadWithDbfread(path);
  ASSERT_GE(rows.size(), l.count);
  ASSERT_LE(rows.size(), l.count + extraAllowed);
  const bool withMemo = std::any_of(l.fields.begin(), l.fields.end(),
                                    [](const rawdbf::Field& f) { return f.name == "NOTE"; });
  for (std::uint32_t i = 0; i < l.count; ++i) {
    ASSERT_GE(rows[i].size(), withMemo ? 4u : 3u);
    EXPECT_EQ(rows[i][0], rawdbf::FieldText(bytes, l, i, "WORKER"));
    EXPECT_EQ(rows[i][1], rawdbf::FieldText(bytes, l, i, "SEQ"));
    EXPECT_EQ(rows[i][2], rawdbf::FieldText(bytes, l, i, "PAD"));
    if (withMemo) {
      EXPECT_EQ(rows[i][3], MemoFor(std::stoi(rows[i][0]), std::stoi(rows[i][1])))
          << "memo of record " << i + 1 << " lost or overwritten";
    }
  }
}

TEST(ConcurrentAppends, FourWritersLoseNothingAndTearNothing) {
  ScratchDir dir;
  const std::string path = CreateStressTable(dir.Path());
  constexpr int kWriters = 4;
  constexpr int kRowsEach = 250;

  int gate[2];
  ASSERT_EQ(pipe(gate), 0);
  std::vector<Child> children;
  for (int w = 0; w < kWriters; ++w) {
    children.push_back(StartChild([&, w](int) {
      close(gate[1]);
      char go;
      (void)!read(gate[0], &go, 1);  // all writers start together
      dbf::Connection connection;
      dbf::Recordset rs;
      OpenStressTable(connection, rs, dir.Path());
      for (int seq = 0; seq < kRowsEach; ++seq) {
        AppendStressRow(rs, w, seq);
        // Writer 0 also opens and closes the table around rows, as the
        // routines that switch tables per record do.
        if (w == 0 && seq % 10 == 9) {
          rs.Close();
          rs.Open(kStressTable, connection);
        }
      }
      connection.Close();
      return 0;
    }));
  }
  close(gate[0]);
  close(gate[1]);
  for (Child& c : children) EXPECT_EQ(WaitChild(c), 0);

  const std::string bytes = rawdbf::ReadBytes(path);
  const rawdbf::Layout l = rawdbf::ParseLayout(bytes);
  EXPECT_EQ(l.count, static_cast<std::uint32_t>(kWriters * kRowsEach));
  EXPECT_EQ(rawdbf::CheckClean(bytes, l), "");
  const std::map<int, int> perWriter = CheckStressRows(bytes, l);
  for (int w = 0; w < kWriters; ++w) EXPECT_EQ(perWriter.at(w), kRowsEach) << "writer " << w;
  ExpectOracleSeesCountedRows(path, bytes, l, 0);
}

// Memo blocks are allocated under the table lock: concurrent writers never
// hand out the same block twice, so every memo reads back as it was saved.
TEST(ConcurrentAppends, MemosOfConcurrentWritersStayApart) {
  for (std::uint8_t version : {0x30, 0xF5, 0x83}) {
    SCOPED_TRACE("version " + std::to_string(version));
    ScratchDir dir;
    const std::string path = CreateStressTable(dir.Path(), version, true);
    constexpr int kWriters = 3;
    constexpr int kRowsEach = 80;
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<Child> children;
    for (int w = 0; w < kWriters; ++w) {
      children.push_back(StartChild([&, w](int) {
        close(gate[1]);
        char go;
        (void)!read(gate[0], &go, 1);
        dbf::Connection connection;
        dbf::Recordset rs;
        OpenStressTable(connection, rs, dir.Path());
        for (int seq = 0; seq < kRowsEach; ++seq) AppendStressRow(rs, w, seq, true);
        connection.Close();
        return 0;
      }));
    }
    close(gate[0]);
    close(gate[1]);
    for (Child& c : children) EXPECT_EQ(WaitChild(c), 0);

    const std::string bytes = rawdbf::ReadBytes(path);
    const rawdbf::Layout l = rawdbf::ParseLayout(bytes);
    EXPECT_EQ(l.count, static_cast<std::uint32_t>(kWriters * kRowsEach));
    EXPECT_EQ(rawdbf::CheckClean(bytes, l), "");
    CheckStressRows(bytes, l);
    ExpectOracleSeesCountedRows(path, bytes, l, 0);
  }
}

// A writer appends until it is killed at a random moment; rows it reported as
// saved must be there, the table must keep the count-against-size promise, and
// the next append must leave a clean table.
TEST(KilledWriter, TableStaysValidAndNextAppendCleansTheTail) {
  std::mt19937 rng(20241);
  int uncountedSeen = 0;
  int unfinishedSeen = 0;  // a record cut off behind the old end mark
  constexpr int kRounds = 24;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ScratchDir dir;
    // Versions without and with memos (the memo rounds save a memo per row),
    // narrow and wide records.
    const std::uint8_t versions[] = {0x03, 0x30, 0xF5, 0x83};
    const std::uint8_t version = versions[round % 4];
    const bool withMemo = version != 0x03;
    const bool wide = (round / 4) % 2 == 1;
    const std::string path = CreateStressTable(dir.Path(), version, withMemo, wide);
    Child child = StartChild([&](int report) {
      dbf::Connection connection;
      dbf::Recordset rs;
      OpenStressTable(connection, rs, dir.Path());
      for (int seq = 0; seq < 1000000; ++seq) {
        AppendStressRow(rs, 1, seq, withMemo);
        Report(report, "+");
      }
      return 0;
    });
    const std::size_t wanted = 5 + rng() % 60;
    std::size_t reported = 0;
    char buf[256];
    while (reported < wanted) {
      ssize_t n = read(child.reportFd, buf, sizeof buf);
      ASSERT_GT(n, 0) << "writer ended early";
      reported += static_cast<std::size_t>(n);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 400));
    kill(child.pid, SIGKILL);
    reported += ReadReport(child).size();
    ASSERT_EQ(WaitChild(child), 128 + SIGKILL);

    std::string bytes = rawdbf::ReadBytes(path);
    rawdbf::Layout l = rawdbf::ParseLayout(bytes);
    ASSERT_EQ(rawdbf::CheckCountAgainstSize(bytes, l), "");
    // A row whose save returned is counted; at most one more save finished
    // before the kill without being reported.
    EXPECT_GE(l.count, reported);
    EXPECT_LE(l.count, reported + 1);
    CheckStressRows(bytes, l);
    const bool uncounted = bytes.size() >= l.RecordStart(l.count + 1) &&
                           bytes[l.RecordStart(l.count)] != 0x1A;
    uncountedSeen += uncounted;
    unfinishedSeen += !uncounted && bytes.size() > l.RecordStart(l.count) + 1;
    ExpectOracleSeesCountedRows(path, bytes, l, uncounted ? 1 : 0);
    // A reader that trusts the count sees exactly the counted rows.
    std::vector<int> expectedSeqs(l.count);
    for (std::uint32_t i = 0; i < l.count; ++i) expectedSeqs[i] = static_cast<int>(i);
    EXPECT_EQ(SeqsWithPythonDbf(path), expectedSeqs);

    const std::uint32_t before = l.count;
    const std::string killedBytes = bytes;
    const rawdbf::Layout killedLayout = l;
    {
      dbf::Connection connection;
      dbf::Recordset rs;
      OpenStressTable(connection, rs, dir.Path());
      AppendStressRow(rs, 2, 0, withMemo);
    }
    bytes = rawdbf::ReadBytes(path);
    l = rawdbf::ParseLayout(bytes);
    EXPECT_EQ(l.count, before + 1);
    EXPECT_EQ(rawdbf::CheckClean(bytes, l), "");
    EXPECT_EQ(rawdbf::FieldText(bytes, l, before, "PAD"), PadFor(2, 0));
    ExpectOnlyCountAndDateChanged(killedBytes, bytes, killedLayout);
    ExpectOracleSeesCountedRows(path, bytes, l, 0);
  }
  std::printf("kill rounds that left an uncounted record: %d, an unfinished one: %d, of %d\n",
              uncountedSeen, unfinishedSeen, kRounds);
}

// One of three writers is killed while the others go on: its lock dies with
// it, the others lose nothing, and what it left uncounted is overwritten.
TEST(KilledWriter, OtherWritersGoOnAfterOneIsKilled) {
  ScratchDir dir;
  const std::string path = CreateStressTable(dir.Path(), 0x30, true);
  constexpr int kRowsEach = 300;
  auto writer = [&](int worker, int rows) {
    return StartChild([&, worker, rows](int report) {
      dbf::Connection connection;
      dbf::Recordset rs;
      OpenStressTable(connection, rs, dir.Path());
      for (int seq = 0; seq < rows; ++seq) {
        AppendStressRow(rs, worker, seq, true);
        Report(report, "+");
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
      connection.Close();
      return 0;
    });
  };
  Child victim = writer(2, 1000000);
  Child first = writer(0, kRowsEach);
  Child second = writer(1, kRowsEach);
  char buf[64];
  std::size_t reported = 0;
  while (reported < 40) {
    const ssize_t n = read(victim.reportFd, buf, sizeof buf);
    ASSERT_GT(n, 0) << "the writer to be killed ended early";
    reported += static_cast<std::size_t>(n);
  }
  kill(victim.pid, SIGKILL);
  reported += ReadReport(victim).size();
  EXPECT_EQ(WaitChild(victim), 128 + SIGKILL);
  ReadReport(first);
  ReadReport(second);
  EXPECT_EQ(WaitChild(first), 0);
  EXPECT_EQ(WaitChild(second), 0);

  const std::string bytes = rawdbf::ReadBytes(path);
  const rawdbf::Layout l = rawdbf::ParseLayout(bytes);
  EXPECT_EQ(rawdbf::CheckCountAgainstSize(bytes, l), "");
  const std::map<int, int> perWriter = CheckStressRows(bytes, l);
  EXPECT_EQ(perWriter.at(0), kRowsEach);
  EXPECT_EQ(perWriter.at(1), kRowsEach);
  EXPECT_GE(perWriter.at(2), static_cast<int>(reported));
  EXPECT_LE(perWriter.at(2), static_cast<int>(reported) + 1);
  ExpectOracleSeesCountedRows(path, bytes, l, 1);
}

// The tails a kill or an older writer can leave after the counted records; the
// next append overwrites or cuts them, so the table ends clean.
TEST(KilledWriter, LeftoverTailsAreOverwrittenByTheNextAppend) {
  struct Tail {
    const char* what;
    std::string (*make)(const std::string& record);
  };
  const Tail tails[] = {
      {"nothing, no end mark", [](const std::string&) { return std::string(); }},
      {"whole record and end mark", [](const std::string& r) { return r + "\x1a"; }},
      {"whole record, no end mark", [](const std::string& r) { return r; }},
      {"half a record", [](const std::string& r) { return r.substr(0, r.size() / 2); }},
      {"record, end mark and junk", [](const std::string& r) { return r + "\x1a" + "junk!"; }},
  };
  for (const Tail& tail : tails) {
    SCOPED_TRACE(tail.what);
    ScratchDir dir;
    const std::string path = CreateStressTable(dir.Path());
    {
      dbf::Connection connection;
      dbf::Recordset rs;
      OpenStressTable(connection, rs, dir.Path());
      for (int seq = 0; seq < 3; ++seq) AppendStressRow(rs, 1, seq);
    }
    std::string bytes = rawdbf::ReadBytes(path);
    rawdbf::Layout l = rawdbf::ParseLayout(bytes);
    ASSERT_EQ(rawdbf::CheckClean(bytes, l), "");
    // An uncounted copy of the last record stands for the one a kill left.
    const std::string lastRecord = bytes.substr(l.RecordStart(2), l.recordLength);
    bytes.resize(l.RecordStart(3));
    rawdbf::WriteBytes(path, bytes + tail.make(lastRecord));
    {
      dbf::Connection connection;
      dbf::Recordset rs;
      OpenStressTable(connection, rs, dir.Path());
      AppendStressRow(rs, 1, 3);
    }
    bytes = rawdbf::ReadBytes(path);
    l = rawdbf::ParseLayout(bytes);
    EXPECT_EQ(l.count, 4u);
    EXPECT_EQ(rawdbf::CheckClean(bytes, l), "");
    CheckStressRows(bytes, l);
    ExpectOracleSeesCountedRows(path, bytes, l, 0);
  }
}

// A child limited to `limit` bytes per file appends until the layer reports an
// error. Writes "<saved rows> <error text>" to its report pipe.
int AppendUnderSizeLimit(const std::string& dir, rlim_t limit, int report) {
  signal(SIGXFSZ, SIG_IGN);  // the limit must arrive as a write error
  rlimit rl{limit, limit};
  if (setrlimit(RLIMIT_FSIZE, &rl) != 0) return 4;
  dbf::Connection connection;
  dbf::Recordset rs;
  OpenStressTable(connection, rs, dir);
  int saved = 0;
  try {
    for (; saved < 5; ++saved) AppendStressRow(rs, 3, saved);
  } catch (const dbf::Error& e) {
    Report(report, std::to_string(saved) + " " + e.what());
    return 0;
  }
  Report(report, std::to_string(saved));
  return 2;
}

TEST(FileSizeLimit, AppendFailsWithAnErrorAndLeavesAValidTable) {
  ScratchDir dir;
  const std::string path = CreateStressTable(dir.Path());
  {
    dbf::Connection connection;
    dbf::Recordset rs;
    OpenStressTable(connection, rs, dir.Path());
    for (int seq = 0; seq < 4; ++seq) AppendStressRow(rs, 1, seq);
  }
  const std::string original = rawdbf::ReadBytes(path);
  const rawdbf::Layout start = rawdbf::ParseLayout(original);
  const rlim_t size = original.size();
  const rlim_t record = start.recordLength;
  // The limit falls: on the end mark, inside the record (a short write), on
  // the record's last byte, on the second row's end mark.
  const rlim_t limits[] = {size - 1, size, size + record / 2, size + record - 1,
                           size + 2 * record - 1};
  for (rlim_t limit : limits) {
    SCOPED_TRACE("limit " + std::to_string(limit) + " for a file of " + std::to_string(size));
    rawdbf::WriteBytes(path, original);
    Child child = StartChild([&](int report) { return AppendUnderSizeLimit(dir.Path(), limit, report); });
    const std::string report = ReadReport(child);
    ASSERT_EQ(WaitChild(child), 0) << "no error reported; child said: " << report;
    const int saved = std::stoi(report);
    EXPECT_GT(report.size(), 2u) << "empty error description";
    EXPECT_EQ(saved, limit < size ? 0 : static_cast<int>((limit - size) / record));

    const std::string bytes = rawdbf::ReadBytes(path);
    const rawdbf::Layout l = rawdbf::ParseLayout(bytes);
    EXPECT_EQ(l.count, start.count + saved);
    EXPECT_EQ(rawdbf::CheckClean(bytes, l), "") << "a short write was not undone";
    ExpectOnlyCountAndDateChanged(original, bytes, start);
    CheckStressRows(bytes, l);
    ExpectOracleSeesCountedRows(path, bytes, l, 0);
  }
}

// The memo file reaches the size limit while the table does not: the save
// fails before the record is written, and the short memo write is undone.
TEST(FileSizeLimit, MemoWriteFailureLeavesBothFilesAsTheyWere) {
  ScratchDir dir;
  const std::string path = CreateStressTable(dir.Path(), 0x30, true);
  {
    dbf::Connection connection;
    dbf::Recordset rs;
    OpenStressTable(connection, rs, dir.Path());
    for (int seq = 0; seq < 6; ++seq) AppendStressRow(rs, 1, seq, true);
  }
  std::string memoName;
  for (const std::string& name : dir.Listing())
    if (name != std::string(kStressTable) + ".dbf") memoName = name;
  const std::string table = rawdbf::ReadBytes(path);
  const std::string memo = rawdbf::ReadBytes(dir.File(memoName));
  ASSERT_GT(memo.size(), table.size() + 200) << "the memo file must be the larger file";
  const rlim_t limit = memo.size() + 100;  // less than the next memo of 6 patterns
  Child child = StartChild([&](int report) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit rl{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &rl) != 0) return 4;
    dbf::Connection connection;
    dbf::Recordset rs;
    OpenStressTable(connection, rs, dir.Path());
    try {
      AppendStressRow(rs, 1, 6, true);  // a memo of 7 patterns: 840 bytes
    } catch (const dbf::Error& e) {
      Report(report, e.what());
      return 0;
    }
    return 2;
  });
  const std::string message = ReadReport(child);
  ASSERT_EQ(WaitChild(child), 0) << "the save past the file size limit did not fail";
  EXPECT_NE(message, "");
  EXPECT_EQ(rawdbf::ReadBytes(path), table);
  EXPECT_EQ(rawdbf::ReadBytes(dir.File(memoName)), memo);
  const rawdbf::Layout l = rawdbf::ParseLayout(table);
  ExpectOracleSeesCountedRows(path, table, l, 0);
}

TEST(ReadOnlyTable, AppendGivesAClearErrorAndChangesNothing) {
  ScratchDir dir;
  const std::string path = CreateStressTable(dir.Path());
  {
    dbf::Connection connection;
    dbf::Recordset rs;
    OpenStressTable(connection, rs, dir.Path());
    AppendStressRow(rs, 1, 0);
  }
  const std::string original = rawdbf::ReadBytes(path);
  const std::set<std::string> listing = dir.Listing();
  const bool root = geteuid() == 0;
  // Root ignores file modes, so the writer runs as "nobody" on a root-owned
  // file of mode 0644; an ordinary user gets a mode of 0444.
  ASSERT_EQ(chmod(path.c_str(), root ? 0644 : 0444), 0);
  Child child = StartChild([&](int report) {
    if (root && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) return 4;
    try {
      dbf::Connection connection;
      dbf::Recordset rs;
      OpenStressTable(connection, rs, dir.Path());
      AppendStressRow(rs, 1, 1);
      connection.Close();
    } catch (const dbf::Error& e) {
      Report(report, e.what());
      return 0;
    }
    return 2;
  });
  const std::string message = ReadReport(child);
  ASSERT_EQ(WaitChild(child), 0) << "the append to a read-only table did not fail";
  EXPECT_NE(message.find(kStressTable), std::string::npos) << "error does not name the table: " << message;
  EXPECT_EQ(rawdbf::ReadBytes(path), original);
  EXPECT_EQ(dir.Listing(), listing);
}

// A writable table whose memo file is read-only: the memo cannot be written,
// so the row must not be either.
TEST(ReadOnlyTable, ReadOnlyMemoFileStopsTheSaveBeforeTheRecord) {
  ScratchDir dir;
  const std::string path = CreateStressTable(dir.Path(), 0xF5, true);
  {
    dbf::Connection connection;
    dbf::Recordset rs;
    OpenStressTable(connection, rs, dir.Path());
    AppendStressRow(rs, 1, 0, true);
  }
  std::string memoPath;
  for (const std::string& name : dir.Listing())
    if (name != std::string(kStressTable) + ".dbf") memoPath = dir.File(name);
  const std::string table = rawdbf::ReadBytes(path);
  const std::string memo = rawdbf::ReadBytes(memoPath);
  const bool root = geteuid() == 0;
  ASSERT_EQ(chmod(path.c_str(), 0666), 0);
  ASSERT_EQ(chmod(memoPath.c_str(), root ? 0644 : 0444), 0);
  Child child = StartChild([&](int report) {
    if (root && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) return 4;
    try {
      dbf::Connection connection;
      dbf::Recordset rs;
      OpenStressTable(connection, rs, dir.Path());
      AppendStressRow(rs, 1, 1, true);
      connection.Close();
    } catch (const dbf::Error& e) {
      Report(report, e.what());
      return 0;
    }
    return 2;
  });
  const std::string message = ReadReport(child);
  ASSERT_EQ(WaitChild(child), 0) << "the save with a read-only memo file did not fail";
  EXPECT_NE(message.find(kStressTable), std::string::npos) << message;
  EXPECT_EQ(rawdbf::ReadBytes(path), table);
  EXPECT_EQ(rawdbf::ReadBytes(memoPath), memo);
}

}  // namespace
