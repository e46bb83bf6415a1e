#include "fuzz/fuzz_work.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "cli/sample_db.h"

namespace fuzzwork {
namespace {

namespace fs = std::filesystem;

char gRoot[64];

fs::path Pristine() {
  if (!gRoot[0]) {
    std::snprintf(gRoot, sizeof gRoot, "%s/dbfimportfuzz.XXXXXX", access("/dev/shm", W_OK) ? "/tmp" : "/dev/shm");
    if (!mkdtemp(gRoot)) std::abort();
    sampledb::MakeSampleDatabase(std::string(gRoot) + "/pristine");
    std::atexit([] { fs::remove_all(gRoot); });
  }
  return fs::path(gRoot) / "pristine";
}

}  // namespace

fs::path FreshWorkDirectory() {
  const fs::path work = Pristine().parent_path() / "work";
  fs::remove_all(work);
  for (const char* folder : {"files", "journal", "db"}) fs::create_directories(work / folder);
  // Through streams: the kernel's file copy can end early on libFuzzer's timer signal.
  for (const auto& table : fs::directory_iterator(Pristine()))
    std::ofstream(work / "db" / table.path().filename(), std::ios::binary)
        << std::ifstream(table.path(), std::ios::binary).rdbuf();
  return work;
}

void KeepAsPristine(const fs::path& db) {
  fs::remove_all(Pristine());
  fs::copy(db, Pristine());
}

}  // namespace fuzzwork
