// Append benchmark of the table layer: 32 767 rows of 20 columns (about 300
// bytes) saved through a recordset in batches, each batch taking the table
// locks, as an import does. Prints rows per second and the peak memory.
//
// Usage: bench_append [directory]   (default: a new directory under /tmp)
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_rows.h"
#include "dbf/dbf.h"

namespace {

long PeakMemoryKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// User plus system time: on a shared, busy machine it varies far less than the
// wall-clock time.
double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir;
  bool ownDir = argc < 2;
  if (ownDir) {
    char pattern[] = "/tmp/dbfbench.XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    dir = pattern;
  } else {
    dir = argv[1];
  }
  try {
    dbf::CreateTable(dir + "/bench.dbf", 0x30, 0x79, BenchColumns());
    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    dbf::Connection connection;
    connection.Open(dir);
    dbf::Recordset rs;
    rs.Open("bench", connection);
      connection.BeginBatches();  // as an import saves: a batch ends at 1 000 rows or 50 ms
    for (int i = 0; i < kRows; ++i) {
      rs.AddNew();
      FillRow(rs, i);
      rs.Update();
      connection.FinishRecord();
      if (connection.BatchDue()) connection.EndBatch();
    }
    const auto appended = std::chrono::steady_clock::now();
    connection.Close();  // includes the one flush to disk at the end of a run
    const auto end = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds() - cpuStart;
    const double seconds = std::chrono::duration<double>(end - start).count();
    const double appendSeconds = std::chrono::duration<double>(appended - start).count();
    std::printf("rows: %d\n", kRows);
    std::printf("table size: %ju bytes\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(dir + "/bench.dbf")));
    std::printf("seconds: %.3f (appends %.3f, final flush %.3f)\n", seconds, appendSeconds,
                seconds - appendSeconds);
    std::printf("rows/s: %.0f\n", kRows / seconds);
    std::printf("rows per cpu second: %.0f\n", kRows / cpu);
    std::printf("peak memory: %ld kB\n", PeakMemoryKb());
  } catch (const dbf::Error& e) {
    std::fprintf(stderr, "bench_append: %s\n", e.what());
    return 1;
  }
  if (ownDir) std::filesystem::remove_all(dir);
  return 0;
}
