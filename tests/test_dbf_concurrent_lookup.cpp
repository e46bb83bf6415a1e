// Lookups while another process appends: a recordset opened before the rows
// existed finds each one as soon as it is saved, with its whole content, and a
// row read while it was being written is never kept half-read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "dbf/dbf.h"
#include "support/child_process.h"
#include "support/scratch_dir.h"
#include "support/stress_table.h"

namespace {

TEST(ConcurrentLookup, RowsSavedByAnotherProcessAreFoundWhole) {
  for (std::uint8_t version : {0x03, 0x30}) {
    SCOPED_TRACE("version " + std::to_string(version));
    ScratchDir dir;
    CreateStressTable(dir.Path(), version);
    dbf::Connection connection;
    dbf::Recordset lookup;
    OpenStressTable(connection, lookup, dir.Path());

    constexpr int kRows = 300;
    Child writer = StartChild([&](int) {
      dbf::Connection c;
      dbf::Recordset rs;
      OpenStressTable(c, rs, dir.Path());
      for (int seq = 0; seq < kRows; ++seq) {
        AppendStressRow(rs, 5, seq);
        // Paced, so that most lookups run while a row is being written.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      return 0;
    });

    // Each row is looked up while the writer is still going; misses are
    // retried until the row shows up.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int misses = 0;
    for (int seq = 0; seq < kRows; ++seq) {
      std::string found;
      while (!lookup.FindFirstEqual("PAD", PadFor(5, seq), "SEQ", found)) {
        ++misses;
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "row " << seq << " never found";
        std::this_thread::yield();
      }
      ASSERT_EQ(std::stoi(found), seq);
    }
    EXPECT_EQ(WaitChild(writer), 0);
    // A value that was never saved stays unfound after all the rows are in.
    std::string none;
    EXPECT_FALSE(lookup.FindFirstEqual("PAD", PadFor(5, kRows), "SEQ", none));
    std::printf("lookups that had to wait for the writer: %d\n", misses);
  }
}

}  // namespace
