#include "cli/sample_db.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "cli/sample_schema.h"
#include "dbf/ascii.h"
#include "dbf/dbf.h"

namespace sampledb {
namespace {

namespace fs = std::filesystem;

constexpr std::uint8_t kVisualFoxPro = 0x30;
constexpr std::uint8_t kFoxPro2WithMemo = 0xF5;
constexpr std::uint8_t kCodePage949Windows = 0x79;  // the mark Visual FoxPro writes
constexpr std::uint8_t kCodePage949Dos = 0x4E;      // the dBASE-style mark FoxPro 2 uses

std::string Stem(const std::string& fileName) {
  std::size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

bool IsTableFile(const std::string& lowerName, const std::string& lowerTableFile) {
  // the table, its memo file, or a structural index left beside it
  std::string stem = Stem(lowerTableFile);
  for (const char* extension : {".dbf", ".fpt", ".dbt", ".cdx"}) {
    if (lowerName == stem + extension) return true;
  }
  return false;
}

// Tables are found without regard to case, so a k57_0403.dbf already there
// counts as the K57_0403.DBF about to be made; a memo or index file of the
// same name would be taken for the new table's.
void RefuseExistingTables(const fs::path& directory, const SampleSchema& schema) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory, error)) {
    std::string existing = dbf::ascii::Lower(entry.path().filename().string());
    for (const SampleTable& table : schema.tables) {
      if (IsTableFile(existing, dbf::ascii::Lower(table.fileName))) {
        throw std::runtime_error("테이블 파일이 이미 있습니다: " + entry.path().string() +
                                 "\n예제 데이터베이스는 빈 디렉터리나 새 디렉터리에 만드십시오.");
      }
    }
  }
  if (error) {
    throw std::runtime_error("디렉터리를 읽을 수 없습니다: " + directory.string() + " (" +
                             error.message() + ")");
  }
}

std::vector<dbf::ColumnSpec> ColumnsOf(const SampleSchema& schema, const SampleTable& table) {
  const TablePattern* pattern = FindPattern(schema, Stem(table.fileName));
  if (pattern == nullptr) {
    throw std::runtime_error("예제 테이블 목록에 " + table.fileName + "의 열이 없습니다.");
  }
  if (table.format == "fox2") {
    for (const dbf::ColumnSpec& column : pattern->columns) {
      if (std::string_view("CNFDLM").find(column.type) == std::string_view::npos ||
          column.nullable) {
        throw std::runtime_error("FoxPro 2 테이블 " + table.fileName + "에 쓸 수 없는 열입니다: " +
                                 column.name);
      }
    }
  }
  // FoxPro stores column names in upper case.
  std::vector<dbf::ColumnSpec> columns = pattern->columns;
  for (dbf::ColumnSpec& column : columns) column.name = dbf::ascii::Upper(column.name);
  return columns;
}

}  // namespace

void MakeSampleDatabase(const std::string& directory) {
  const SampleSchema& schema = BuiltInSampleSchema();
  fs::path root(directory);
  std::error_code error;
  fs::create_directories(root, error);
  if (error || !fs::is_directory(root)) {
    throw std::runtime_error("디렉터리를 만들 수 없습니다: " + directory +
                             (error ? " (" + error.message() + ")" : std::string()));
  }
  RefuseExistingTables(root, schema);
  // Every table's columns are checked before the first file is written, so a
  // faulty list leaves the directory as it was.
  std::vector<std::vector<dbf::ColumnSpec>> columns;
  for (const SampleTable& table : schema.tables) columns.push_back(ColumnsOf(schema, table));
  for (std::size_t i = 0; i < schema.tables.size(); ++i) {
    const SampleTable& table = schema.tables[i];
    bool vfp = table.format == "vfp";
    dbf::CreateTable((root / table.fileName).string(), vfp ? kVisualFoxPro : kFoxPro2WithMemo,
                     vfp ? kCodePage949Windows : kCodePage949Dos, columns[i]);
  }
}

}  // namespace sampledb
