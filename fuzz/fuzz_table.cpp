// Fuzz target over the table header, descriptor, record and memo parsers. The
// input is a table file, optionally followed by "\n#memo#\n" and a memo file
// (.dbt for versions 0x83 and 0x8B, else .fpt). They are written to a private
// directory, read through the public interface, appended to and read again: a
// dbf::Error is a fine answer; a crash, leak or undefined behaviour is a fault.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "dbf/dbf.h"

namespace {

char gDirectory[64];

void Write(const char* name, std::string_view bytes) {
  std::ofstream(std::string(gDirectory) + name, std::ios::binary).write(bytes.data(), bytes.size());
}

// Reads everything the layer offers; bounded so that a huge count stays fast.
void ReadThrough(dbf::Recordset& rs) {
  const int columns = rs.ColumnCount();
  std::string found;
  rs.MoveFirst();
  for (int row = 0; row < 64 && !rs.Eof(); ++row, rs.MoveNext())
    for (int i = 0; i < columns; ++i) (void)rs.ColumnType(i), (void)rs.GetText(rs.ColumnName(i));
  if (columns > 0) (void)rs.FindFirstEqual(rs.ColumnName(0), "x", rs.ColumnName(columns - 1), found);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!gDirectory[0]) {  // on tmpfs when there is one: the flush at close costs nothing there
    std::snprintf(gDirectory, sizeof gDirectory, "%s/dbffuzz.XXXXXX", access("/dev/shm", W_OK) ? "/tmp" : "/dev/shm");
    if (!mkdtemp(gDirectory)) std::abort();
    std::atexit([] {
      for (const char* name : {"/t.dbf", "/t.fpt", "/t.dbt"}) unlink((std::string(gDirectory) + name).c_str());
      rmdir(gDirectory);
    });
  }
  const std::string_view input(reinterpret_cast<const char*>(data), size), separator = "\n#memo#\n";
  const std::size_t cut = input.find(separator);
  const std::string_view table = input.substr(0, cut);
  for (const char* name : {"/t.fpt", "/t.dbt"}) unlink((std::string(gDirectory) + name).c_str());
  Write("/t.dbf", table);
  if (cut != std::string_view::npos)
    Write(!table.empty() && (table[0] == '\x83' || table[0] == '\x8B') ? "/t.dbt" : "/t.fpt",
          input.substr(cut + separator.size()));
  try {
    dbf::Connection connection;
    connection.Open(gDirectory);
    dbf::Recordset rs;
    rs.Open("t", connection);
    ReadThrough(rs);
    // An append with every column set from text, as an import does: the header
    // and the memo header are parsed again under the lock.
    rs.AddNew();
    for (int i = 0; i < rs.ColumnCount(); ++i) {
      try {
        rs.SetValueAt(i, std::string("12"));
      } catch (const dbf::Error&) {  // a column that takes no such value keeps its blank
      }
    }
    rs.Update();
    ReadThrough(rs);
  } catch (const dbf::Error&) {
    // Refusing a broken file is the expected answer.
  }
  return 0;
}
