// Another program holding the table's header lock: the byte FoxPro locks for
// every header update (2 147 483 646). A save waits a bounded time for it, then
// fails with an error instead of hanging, and writes nothing meanwhile.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "dbf/dbf.h"
#include "support/child_process.h"
#include "support/raw_dbf.h"
#include "support/scratch_dir.h"
#include "support/stress_table.h"

namespace {

constexpr off_t kFoxProHeaderLock = 0x7FFFFFFE;

// Holds a write lock on the header byte in a separate process, the way a
// FoxPro program (through a file server) or another copy of this tool does.
// It uses a classic process-owned lock, which open-file-description locks
// must respect too. Returns once the lock is held.
Child HoldHeaderLock(const std::string& path, std::chrono::milliseconds howLong) {
  Child holder = StartChild([&](int report) {
    const int fd = open(path.c_str(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kFoxProHeaderLock;
    lock.l_len = 1;
    if (fd < 0 || fcntl(fd, F_SETLK, &lock) != 0) return 3;
    Report(report, "locked");
    std::this_thread::sleep_for(howLong);
    return 0;  // the lock goes with the process
  });
  char buf[16];
  (void)!read(holder.reportFd, buf, sizeof buf);
  return holder;
}

TEST(LockContention, HeldHeaderLockGivesAnErrorAfterABoundedWait) {
  ScratchDir dir;
  const std::string path = CreateStressTable(dir.Path());
  dbf::Connection connection;
  dbf::Recordset rs;
  OpenStressTable(connection, rs, dir.Path());
  AppendStressRow(rs, 1, 0);
  const std::string before = rawdbf::ReadBytes(path);

  Child holder = HoldHeaderLock(path, std::chrono::seconds(30));
  const auto start = std::chrono::steady_clock::now();
  std::string error;
  try {
    AppendStressRow(rs, 1, 1);
  } catch (const dbf::Error& e) {
    error = e.what();
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  kill(holder.pid, SIGKILL);
  WaitChild(holder);

  EXPECT_NE(error, "") << "the save ignored the lock held by another program";
  EXPECT_NE(error.find(kStressTable), std::string::npos) << error;
  EXPECT_LT(waited, std::chrono::seconds(20)) << "the wait for the lock is not bounded";
  EXPECT_EQ(rawdbf::ReadBytes(path), before) << "the table changed while another program held it";

  // Once the other program let go, the same recordset saves again (the
  // failed row is dropped first, as an error path does).
  rs.Close();
  rs.Open(kStressTable, connection);
  AppendStressRow(rs, 1, 1);
  const std::string after = rawdbf::ReadBytes(path);
  EXPECT_EQ(rawdbf::ParseLayout(after).count, 2u);
}

TEST(LockContention, ShortLockIsWaitedFor) {
  ScratchDir dir;
  const std::string path = CreateStressTable(dir.Path());
  Child holder = HoldHeaderLock(path, std::chrono::milliseconds(300));
  const auto start = std::chrono::steady_clock::now();
  {
    dbf::Connection connection;
    dbf::Recordset rs;
    OpenStressTable(connection, rs, dir.Path());
    AppendStressRow(rs, 1, 0);
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(WaitChild(holder), 0);
  // The save could only happen after the holder's 300 ms.
  EXPECT_GE(waited, std::chrono::milliseconds(250));
  const std::string bytes = rawdbf::ReadBytes(path);
  const rawdbf::Layout l = rawdbf::ParseLayout(bytes);
  EXPECT_EQ(l.count, 1u);
  EXPECT_EQ(rawdbf::CheckClean(bytes, l), "");
}

}  // namespace
