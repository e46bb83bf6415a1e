// Opens a table with Debian's python3-dbf, a reader that trusts the header's
// record count, and returns the SEQ values of its live rows in stored order.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

inline std::vector<int> SeqsWithPythonDbf(const std::string& path) {
  const std::string script =
      "import sys, dbf\n"
      "t = dbf.Table(sys.argv[1], ignore_memos=True)\n"
      "t.open(dbf.READ_ONLY)\n"
      "for r in t:\n"
      "    print(int(r.seq))\n"
      "t.close()\n";
  setenv("DBFSTRESS_PYDBF_SCRIPT", script.c_str(), 1);
  const std::string command =
      "/usr/bin/python3 -c \"$DBFSTRESS_PYDBF_SCRIPT\" '" + path + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run python3");
  std::string out;
  char buf[8192];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  if (pclose(pipe) != 0) throw std::runtime_error("python3-dbf failed: " + out);
  std::vector<int> seqs;
  size_t start = 0;
  while (start < out.size()) {
    const size_t end = out.find('\n', start);
    seqs.push_back(std::stoi(out.substr(start, end - start)));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return seqs;
}
