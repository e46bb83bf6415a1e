// Helpers shared by the table layer's tests: temporary table directories,
// raw file bytes, and running the independent Python readers.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace dbftest {

namespace fs = std::filesystem;

// A fresh directory under the system temp dir, removed at the end.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "dbftest-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

  // Copies a reference table (and its memo/index files) in, writable.
  void CopyFixture(const std::string& stem) const {
    for (const auto& entry : fs::directory_iterator(FIXTURES_DIR)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(stem + ".", 0) == 0) {
        fs::copy_file(entry.path(), File(name));
        fs::permissions(File(name), fs::perms::owner_read | fs::perms::owner_write);
      }
    }
  }

 private:
  std::string path_;
};

inline std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline unsigned Le32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (unsigned(b[at + 3]) << 24);
}

// Runs a Python snippet with /usr/bin/python3 and returns its standard output.
// The snippet gets sys.argv[1] = `argument`.
inline std::string RunPython(const std::string& code, const std::string& argument, int* status = nullptr) {
  char scriptPath[] = "/tmp/dbftest-py-XXXXXX";
  int fd = ::mkstemp(scriptPath);
  if (fd < 0) return "";
  ::write(fd, code.data(), code.size());
  ::close(fd);
  const std::string command = "/usr/bin/python3 " + std::string(scriptPath) + " '" + argument + "' 2>&1";
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    int rc = ::pclose(pipe);
    if (status) *status = rc;
  }
  ::unlink(scriptPath);
  return output;
}

}  // namespace dbftest
