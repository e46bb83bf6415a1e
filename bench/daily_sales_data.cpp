// Data of the lookup benchmark: appends `customers` rows to the customer table
// vdrs110 of a sample database (through the table layer) and writes a
// ready-mix daily sales export file of `records` records, each naming one of
// those customers, plus the totals line. The records are copies of the first
// line of the sample file with their serial number and customer name changed.
//
// Usage: bench_daily_sales_data DB_DIR CUSTOMERS SAMPLE_FILE OUTPUT_FILE RECORDS
#include <cstdio>
#include <fstream>
#include <string>

#include "dbf/dbf.h"

namespace {

// "거래처" in CP949 and a number: distinct names of 30 bytes at most.
std::string CustomerName(int i) { return "\xB0\xC5\xB7\xA1\xC3\xB3 " + std::to_string(100000 + i); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s DB_DIR CUSTOMERS SAMPLE_FILE OUTPUT_FILE RECORDS\n", argv[0]);
    return 2;
  }
  const int customers = std::stoi(argv[2]), records = std::stoi(argv[5]);
  dbf::Connection connection;
  connection.Open(argv[1]);
  dbf::Recordset table;
  table.Open("vdrs110", connection);
  for (int i = 0; i < customers; ++i) {
    table.AddNew();
    table.SetValue("D11_CODE", std::to_string(100000 + i));
    table.SetValue("D11_CNAME", CustomerName(i));
    table.Update();
  }
  connection.Close();

  std::ifstream sample(argv[3], std::ios::binary);
  std::string line, trailer, next;
  std::getline(sample, line);
  while (std::getline(sample, next)) trailer = next;
  std::ofstream out(argv[4], std::ios::binary);
  for (int r = 1; r <= records; ++r) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "%06d", r);
    line.replace(0, 6, serial);  // bytes 1-6: serial number
    // Bytes 102-131: the customer name, spread over the whole table.
    const std::string name = CustomerName(static_cast<int>(r * 7919LL % customers));
    line.replace(101, 30, name + std::string(30 - name.size(), ' '));
    out << line << '\n';
  }
  out << trailer << '\n';
  return out ? 0 : 1;
}
