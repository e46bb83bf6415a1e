// A full disk during appends: the save that does not fit fails with an error,
// its short write is undone, and the table holds exactly the rows saved before.
// The disk is a 64 KiB tmpfs mounted in a private mount namespace of a child
// process, so nothing outside the test sees it; without the right to mount
// (not root, or a container without it) the test is skipped.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include "dbf/dbf.h"
#include "support/child_process.h"
#include "support/dbfread_oracle.h"
#include "support/raw_dbf.h"
#include "support/scratch_dir.h"
#include "support/stress_table.h"

namespace {

constexpr int kCannotMount = 5;

// What is wrong with the table after `saved` rows were saved, or "".
std::string ProblemsAfterDiskFull(const std::string& path, int saved) {
  const std::string bytes = rawdbf::ReadBytes(path);
  const rawdbf::Layout l = rawdbf::ParseLayout(bytes);
  if (l.count != static_cast<std::uint32_t>(saved))
    return "count " + std::to_string(l.count) + " but " + std::to_string(saved) + " rows saved";
  if (std::string p = rawdbf::CheckClean(bytes, l); !p.empty()) return p;
  for (int i = 0; i < saved; ++i)
    if (rawdbf::FieldText(bytes, l, i, "PAD") != PadFor(1, i))
      return "record " + std::to_string(i + 1) + " damaged";
  const std::vector<OracleRow> rows = ReadWithDbfread(path);
  if (rows.size() != static_cast<std::size_t>(saved))
    return "dbfread sees " + std::to_string(rows.size()) + " rows";
  if (rows.size() > 0 && rows.back().size() > 3 && rows.back()[3] != MemoFor(1, saved - 1))
    return "the last memo reads back wrong";
  return "";
}

void AppendUntilTheDiskIsFull(std::uint8_t version, bool withMemo) {
  SCOPED_TRACE("version " + std::to_string(version));
  ScratchDir mountPoint;
  Child child = StartChild([&](int report) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", mountPoint.Path().c_str(), "tmpfs", 0, "size=64k") != 0)
      return kCannotMount;
    const std::string path = CreateStressTable(mountPoint.Path(), version, withMemo);
    dbf::Connection connection;
    dbf::Recordset rs;
    OpenStressTable(connection, rs, mountPoint.Path());
    int saved = 0;
    std::string error;
    try {
      for (; saved < 100000; ++saved) AppendStressRow(rs, 1, saved, withMemo);
    } catch (const dbf::Error& e) {
      error = e.what();
    }
    rs.Close();
    try {
      connection.Close();
    } catch (const dbf::Error&) {
    }
    if (error.empty()) {
      Report(report, "no error after 100000 rows");
      return 1;
    }
    const std::string problems = ProblemsAfterDiskFull(path, saved);
    Report(report, std::to_string(saved) + " rows saved; " + error + "; " + problems);
    return problems.empty() ? 0 : 1;
  });
  const std::string report = ReadReport(child);
  const int code = WaitChild(child);
  if (code == kCannotMount) GTEST_SKIP() << "cannot mount a small tmpfs here";
  EXPECT_EQ(code, 0) << report;
  std::printf("%s\n", report.c_str());
}

TEST(DiskFull, TableWithoutMemoStaysValid) { AppendUntilTheDiskIsFull(0x03, false); }

TEST(DiskFull, TableWithMemoStaysValid) { AppendUntilTheDiskIsFull(0xF5, true); }

TEST(DiskFull, VisualFoxProTableWithMemoStaysValid) { AppendUntilTheDiskIsFull(0x30, true); }

}  // namespace
