// Helpers shared by the C++ tests: a temporary directory, file bytes and
// little-endian integers, CP949 text, child processes, and the independent
// readers (python3-dbfread, python3-dbf) run through /usr/bin/python3.
//
// The Windows build of the tests runs under Wine: its temporary directories
// are made under Z:\tmp, where Linux's python3 reads them (the independent
// readers stay on the Linux side), and child processes made by fork() are
// Linux's only (the tests that need them are built on Linux only).
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

// A path of the tests (UTF-8) as the file system library takes it.
inline std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A fresh directory under /tmp, removed with everything in it. Mode 0755, so
// that a child running as another user can read it.
class TempDir {
 public:
#ifdef _WIN32
  TempDir() {
    const std::string base = std::filesystem::exists("Z:/tmp") ? "Z:/tmp" : std::filesystem::temp_directory_path().generic_string();
    for (unsigned seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());; ++seed) {
      path_ = base + "/dbftest." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(seed % 1000000);
      if (std::filesystem::create_directory(path_)) break;
    }
  }
#else
  TempDir() : path_("/tmp/dbftest.XXXXXX") {
    if (!::mkdtemp(path_.data()) || ::chmod(path_.c_str(), 0755) != 0) throw std::runtime_error("mkdtemp");
  }
#endif
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) names.insert(e.path().filename().string());
    return names;
  }
#ifdef FIXTURES_DIR
  // Copies the reference table <stem> (every <stem>.* file) in, writable.
  void CopyFixture(const std::string& stem) const {
    for (const auto& e : std::filesystem::directory_iterator(FIXTURES_DIR))
      if (e.path().stem() == stem) {
        std::filesystem::copy_file(e.path(), File(e.path().filename().string()));
        std::filesystem::permissions(File(e.path().filename().string()), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
      }
  }
#endif

 private:
  std::string path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(FsPath(path), std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
}
// The little-endian integer of `size` bytes at `at`, and storing one.
inline std::uint32_t Le(const std::string& b, std::size_t at, int size = 4) {
  std::uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(b[at + i]);
  return v;
}
inline void PutLe(std::string& b, std::size_t at, std::uint32_t v, int size = 4) {
  for (int i = 0; i < size; ++i) b[at + i] = static_cast<char>(v >> 8 * i);
}

// UTF-8 text (as the test sources hold it) in CP949.
#ifdef _WIN32
inline std::string Cp949(std::string utf8) {
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), static_cast<int>(wide.size())));
  std::string out(wide.size() * 2, '\0');
  out.resize(WideCharToMultiByte(949, 0, wide.data(), static_cast<int>(wide.size()), out.data(), static_cast<int>(out.size()), nullptr, nullptr));
  return out;
}
#else
inline std::string Cp949(std::string utf8) {
  std::string out(utf8.size() * 2, '\0');
  char *in = utf8.data(), *to = out.data();
  std::size_t inLeft = utf8.size(), outLeft = out.size();
  const iconv_t cd = ::iconv_open("CP949", "UTF-8");
  ::iconv(cd, &in, &inLeft, &to, &outLeft);
  ::iconv_close(cd);
  return out.substr(0, out.size() - outLeft);
}
#endif

#ifndef _WIN32

// A forked child running body(reportFd); it exits with body's result (or is
// aborted when body throws). The parent reads what the child reports.
struct Child {
  pid_t pid = -1;
  int reportFd = -1;
};
inline Child StartChild(const std::function<int(int)>& body) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe");
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    ::_exit(body(fds[1]));
  }
  ::close(fds[1]);
  return {pid, fds[0]};
}
inline void Report(int fd, const std::string& text) { (void)!::write(fd, text.data(), text.size()); }
// Everything the child reported until it closed the pipe or died.
inline std::string ReadReport(const Child& child) {
  std::string all;
  char buffer[4096];
  for (ssize_t n; (n = ::read(child.reportFd, buffer, sizeof buffer)) > 0;) all.append(buffer, n);
  return all;
}
// The child's exit code, or 128 + the signal that ended it.
inline int WaitChild(Child& child) {
  int status = 0;
  while (::waitpid(child.pid, &status, 0) < 0) {
  }
  ::close(child.reportFd);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif  // fork(): Linux only

// Runs Python code with /usr/bin/python3 and the given arguments; returns its
// standard output. Throws when Python fails (its error goes to the test log).
#ifdef _WIN32
// Under Wine, Linux's python3 is started through /bin/sh: Wine runs a Linux
// program but neither hands it a Windows pipe nor waits for it, so its
// output and exit status come back in files, and paths go as Linux paths.
inline std::string RunPython(const std::string& code, const std::vector<std::string>& args) {
  using UnixName = char* (*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (!unixName) throw std::runtime_error("python3 is Linux's: these tests run under Wine");
  auto onLinux = [&](const std::string& path) {
    const std::wstring wide = FsPath(path).wstring();
    char* name = unixName(wide.c_str());
    const std::string host = name ? name : path;
    HeapFree(GetProcessHeap(), 0, name);
    return host;
  };
  TempDir exchange;
  SetEnvironmentVariableW(L"TEST_SUPPORT_PYTHON", FsPath(code).wstring().c_str());
  std::string script = "/usr/bin/python3 -c \\\"$TEST_SUPPORT_PYTHON\\\"";
  for (const std::string& a : args) script += " '" + (a.size() > 2 && a[1] == ':' ? onLinux(a) : a) + "'";
  const std::string out = onLinux(exchange.Path()) + "/";
  script += " > " + out + "out; echo $? > " + out + "status.part; mv " + out + "status.part " + out + "status";
  std::wstring command = L"Z:\\bin\\sh -c \"" + FsPath(script).wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    throw std::runtime_error("cannot start /bin/sh");
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (!std::filesystem::exists(exchange.File("status")) && std::chrono::steady_clock::now() < deadline) Sleep(5);
  const std::string output = ReadBytes(exchange.File("out"));
  if (ReadBytes(exchange.File("status")) != "0\n") throw std::runtime_error("python3 failed after printing: " + output);
  return output;
}
#else
inline std::string RunPython(const std::string& code, const std::vector<std::string>& args) {
  ::setenv("TEST_SUPPORT_PYTHON", code.c_str(), 1);
  std::string command = "/usr/bin/python3 -c \"$TEST_SUPPORT_PYTHON\"", out;
  for (const std::string& a : args) command += " '" + a + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[8192];
  for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  if (!pipe || ::pclose(pipe) != 0) throw std::runtime_error("python3 failed after printing: " + out);
  return out;
}
#endif

// The live rows of a table as an independent reader sees them, every value as
// UTF-8 text: text as the reader gives it (python3-dbf's without trailing
// blanks), dates in ISO form, binary values in hex, the rest as Python prints
// it. Reader "dbfread" reads up to the end mark whatever the count says; "dbf"
// (python3-dbf) trusts the record count and leaves memos unread.
using Row = std::vector<std::string>;
inline std::vector<Row> ReadRows(const std::string& path, const std::string& reader = "dbfread") {
  const std::string out = RunPython(R"(import sys
def text(v):
    if isinstance(v, bytes): return v.hex()
    if isinstance(v, str): return v.rstrip() if sys.argv[2] == 'dbf' else v
    return v.isoformat() if hasattr(v, 'isoformat') else str(v)
if sys.argv[2] == 'dbfread':
    import dbfread
    rows = [r.values() for r in dbfread.DBF(sys.argv[1], encoding='cp949', char_decode_errors='strict')]
else:
    import dbf
    t = dbf.Table(sys.argv[1], codepage='cp949', ignore_memos=True)
    t.open(dbf.READ_ONLY)
    rows = [list(r) for r in t if not dbf.is_deleted(r)]
for r in rows:
    sys.stdout.buffer.write('\x1f'.join(text(v) for v in r).encode() + b'\x1e')
)", {path, reader});
  std::vector<Row> rows;
  for (std::size_t start = 0, end; (end = out.find('\x1e', start)) != std::string::npos; start = end + 1) {
    rows.emplace_back(1);
    for (std::size_t i = start; i < end; ++i)
      if (out[i] == '\x1f') rows.back().emplace_back();
      else rows.back().back() += out[i];
  }
  return rows;
}
