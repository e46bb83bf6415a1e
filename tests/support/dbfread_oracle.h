// Reads a table with Debian's python3-dbfread, an independent reader, and
// returns its rows as text fields. dbfread ignores the header count and reads
// up to the end mark, so it also shows an uncounted whole record.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

using OracleRow = std::vector<std::string>;

inline std::vector<OracleRow> ReadWithDbfread(const std::string& path) {
  const std::string script =
      "import sys, dbfread\n"
      "t = dbfread.DBF(sys.argv[1], encoding='cp949', char_decode_errors='strict')\n"
      "out = sys.stdout.buffer\n"
      "for r in t:\n"
      "    out.write('\\x1f'.join(str(v) for v in r.values()).encode('cp949') + b'\\n')\n";
  const std::string command = "/usr/bin/python3 -c \"$DBFSTRESS_SCRIPT\" '" + path + "' 2>&1";
  setenv("DBFSTRESS_SCRIPT", script.c_str(), 1);
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run python3");
  std::string out;
  char buf[8192];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  if (pclose(pipe) != 0) throw std::runtime_error("dbfread failed: " + out);
  std::vector<OracleRow> rows;
  size_t start = 0;
  while (start < out.size()) {
    size_t end = out.find('\n', start);
    std::string line = out.substr(start, end - start);
    OracleRow row;
    size_t a = 0;
    for (;;) {
      size_t b = line.find('\x1f', a);
      row.push_back(line.substr(a, b == std::string::npos ? std::string::npos : b - a));
      if (b == std::string::npos) break;
      a = b + 1;
    }
    rows.push_back(row);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return rows;
}
