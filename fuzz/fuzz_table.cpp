// Fuzz target over the table header, descriptor, record and memo parsers.
// The input is a table file, optionally followed by the separator below and a
// memo file. It is written to a private directory, read through the public
// interface, appended to and read again: any dbf::Error is a fine answer, a
// crash, leak or undefined behaviour is a fault.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "dbf/dbf.h"

namespace {

constexpr std::string_view kMemoSeparator = "\n#memo#\n";

char gDirectory[64];

void RemoveDirectory() {
  for (const char* name : {"/t.dbf", "/t.fpt", "/t.dbt"}) unlink((std::string(gDirectory) + name).c_str());
  rmdir(gDirectory);
}

// A private directory for the files of one input, removed at exit.
std::string FuzzDirectory() {
  if (!gDirectory[0]) {
    // tmpfs when there is one: the flush at close costs nothing there.
    const bool shm = access("/dev/shm", W_OK) == 0;
    std::snprintf(gDirectory, sizeof gDirectory, "%s/dbffuzz.XXXXXX", shm ? "/dev/shm" : "/tmp");
    if (!mkdtemp(gDirectory)) std::abort();
    std::atexit(RemoveDirectory);
  }
  return gDirectory;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Reads everything the layer offers; bounded so that a huge count stays fast.
void ReadThrough(dbf::Recordset& rs) {
  const int columns = rs.ColumnCount();
  std::string first;
  for (int i = 0; i < columns; ++i) {
    const std::string& name = rs.ColumnName(i);
    (void)rs.ColumnType(i);
    if (i == 0) first = name;
  }
  rs.MoveFirst();
  for (int row = 0; row < 64 && !rs.Eof(); ++row, rs.MoveNext()) {
    for (int i = 0; i < columns; ++i) (void)rs.GetText(rs.ColumnName(i));
  }
  if (columns > 0) {
    std::string found;
    (void)rs.FindFirstEqual(first, "x", rs.ColumnName(columns - 1), found);
    (void)rs.FindFirstEqual(first, "", first, found);
  }
}

// Appends one row with every column set from text, as an import would: the
// header re-read under the lock and the memo header are parsed again there.
void AppendOne(dbf::Recordset& rs) {
  rs.AddNew();
  for (int i = 0; i < rs.ColumnCount(); ++i) {
    try {
      rs.SetValueAt(i, std::string("12"));
    } catch (const dbf::Error&) {
      // A column that takes no such value keeps its blank.
    }
  }
  rs.Update();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find(kMemoSeparator);
  const std::string_view table = input.substr(0, cut);
  const std::string dir = FuzzDirectory();
  // The memo file type follows the version byte: .dbt for dBASE, else .fpt.
  const bool dbase = !table.empty() && (static_cast<std::uint8_t>(table[0]) == 0x83 ||
                                        static_cast<std::uint8_t>(table[0]) == 0x8B);
  unlink((dir + "/t.fpt").c_str());
  unlink((dir + "/t.dbt").c_str());
  WriteFile(dir + "/t.dbf", table);
  if (cut != std::string_view::npos)
    WriteFile(dir + (dbase ? "/t.dbt" : "/t.fpt"), input.substr(cut + kMemoSeparator.size()));
  try {
    dbf::Connection connection;
    connection.Open(dir);
    dbf::Recordset rs;
    rs.Open("t", connection);
    ReadThrough(rs);
    AppendOne(rs);
    ReadThrough(rs);
    rs.Close();
    connection.Close();
  } catch (const dbf::Error&) {
    // Refusing a broken file is the expected answer.
  }
  return 0;
}
