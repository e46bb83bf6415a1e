// Append benchmark of the structural index: the 32 767 rows of bench_append
// saved in batches into a table whose .cdx has three tags kept current
// (CODE, UPPER(NAME), DTOS(SDATE)+CODE), against the same table without an
// index. Prints both rates and their ratio, then checks every tag.
//
// Usage: bench_cdx_append [directory]   (default: a new directory under /tmp)
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_rows.h"
#include "dbf/cdx/index.h"
#include "dbf/connection_state.h"

namespace {

struct Rate {
  double wall = 0, cpu = 0;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Rate Append(const std::string& dir, const std::string& name, bool indexed) {
  dbf::CreateTable(dir + "/" + name + ".dbf", 0x30, 0x79, BenchColumns());
  if (indexed)
    dbf::CreateStructuralIndex(dir + "/" + name + ".dbf", {{.name = "CODE", .key = "CODE", .filter = ""},
                                                           {.name = "NAME", .key = "UPPER(NAME)", .filter = ""},
                                                           {.name = "SDATE", .key = "DTOS(SDATE)+CODE", .filter = ""}});
  const double cpuStart = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  dbf::Connection connection;
  connection.Open(dir);
  dbf::Recordset rs;
  rs.Open(name, connection);
  connection.BeginBatches();  // as an import saves: a batch ends at 1 000 rows or 50 ms
  for (int i = 0; i < kRows; ++i) {
    rs.AddNew();
    FillRow(rs, i);
    rs.Update();
    connection.FinishRecord();
    if (connection.BatchDue()) connection.EndBatch();
  }
  connection.Close();  // with the flush to disk
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {kRows / seconds, kRows / (CpuSeconds() - cpuStart)};
}

// Every tag a valid tree holding exactly the keys of the table's rows.
bool TagsComplete(const std::string& dir, const std::string& name) {
  dbf::ConnectionState state;
  state.directory = dir;
  const std::string path = dir + "/" + name + ".dbf";
  dbf::detail::FileHandle file;
  file.Open(path);
  const auto layout = dbf::detail::ReadTableLayout(file, name);
  dbf::detail::TableIndex index;
  index.Open(state, name, path, layout, "");
  bool complete = true;
  for (const auto& tag : index.Inspect(file, layout.recordCount)) {
    bool same = tag.damage.empty() && tag.keys.size() == tag.rowKeys.size() && tag.keys.size() == kRows;
    for (std::size_t i = 0; same && i < tag.keys.size(); ++i)
      same = tag.keys[i].key == tag.rowKeys[i].key && tag.keys[i].recno == tag.rowKeys[i].recno;
    std::printf("tag %s: %zu keys, %s\n", tag.name.c_str(), tag.keys.size(), same ? "valid and complete" : "WRONG");
    complete = complete && same;
  }
  return complete;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir;
  const bool ownDir = argc < 2;
  if (ownDir) {
    char pattern[] = "/tmp/dbfbench.XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    dir = pattern;
  } else {
    dir = argv[1];
  }
  bool complete = false;
  try {
    const Rate plain = Append(dir, "plain", false);
    const Rate indexed = Append(dir, "indexed", true);
    std::printf("rows: %d\n", kRows);
    std::printf("without index: %.0f rows/s, %.0f rows per cpu second\n", plain.wall, plain.cpu);
    std::printf("three tags:    %.0f rows/s, %.0f rows per cpu second\n", indexed.wall, indexed.cpu);
    std::printf("ratio: %.2f (wall clock), %.2f (cpu)\n", indexed.wall / plain.wall, indexed.cpu / plain.cpu);
    std::printf(".cdx size: %ju bytes\n", static_cast<std::uintmax_t>(std::filesystem::file_size(dir + "/indexed.cdx")));
    complete = TagsComplete(dir, "indexed");
  } catch (const dbf::Error& e) {
    std::fprintf(stderr, "bench_cdx_append: %s\n", e.what());
    return 1;
  }
  if (ownDir) std::filesystem::remove_all(dir);
  return complete ? 0 : 1;
}
