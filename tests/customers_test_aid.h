// Test aid of the customer tests: an ImportView that records what the import
// core shows, a table directory that removes itself, the customer table and
// ready-mix customer lines.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/encoding.h"
#include "common/import_view.h"
#include "dbf/dbf.h"

struct CodeMapRow {
  std::string oldCode, newCode, name;
  friend bool operator==(const CodeMapRow&, const CodeMapRow&) = default;
};

class RecordingView : public ModMain::ImportView {
 public:
  std::vector<std::string> messages;
  std::vector<std::string> statuses;  // first column of the record list
  std::vector<CodeMapRow> codeMap;
  int codeMapClears = 0;

  void SetPhaseCaption(const std::string&) override {}
  void SetProgressRange(int, int) override {}
  void SetProgressValue(int) override {}
  void ClearRecordList() override { statuses.clear(); }
  void AddRecordRow(int, const std::string& status) override { statuses.push_back(status); }
  void SetRecordRowData(int, const std::string&) override {}
  void SetRecordCountPanel(const std::string&) override {}
  void ClearCodeMap() override {
    codeMap.clear();
    ++codeMapClears;
  }
  void AddCodeMapRow(const std::string& oldCode, const std::string& newCode,
                     const std::string& name) override {
    codeMap.push_back({oldCode, newCode, name});
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ProcessEvents() override {}
};

class TableDirectory {
 public:
  TableDirectory() {
    char pattern[] = "/tmp/customers-test.XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TableDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TableDirectory(const TableDirectory&) = delete;
  TableDirectory& operator=(const TableDirectory&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// vdrs110 with the columns the customer imports write.
inline void CreateCustomerTable(const std::string& directory) {
  dbf::CreateTable(directory + "/vdrs110.dbf", 0x30, 0x79,
                   {{"D11_code", 'C', 6}, {"D11_cname", 'C', 30}, {"D11_name", 'C', 10},
                    {"D11_cno", 'C', 12}, {"D11_jmno", 'C', 14}, {"D11_post", 'C', 7},
                    {"D11_addr", 'C', 60}, {"D11_tel", 'C', 15}, {"D11_uptae", 'C', 20},
                    {"D11_jong", 'C', 20}, {"D11_sdate", 'D', 8}, {"Y11_cname", 'C', 30},
                    {"Y11_name", 'C', 10}, {"Y11_cno", 'C', 12}, {"Y11_addr", 'C', 60},
                    {"Y11_tel", 'C', 15}, {"Y11_uptae", 'C', 20}, {"Y11_jong", 'C', 20},
                    {"Y11_suryu", 'C', 60}});
}

// A CP949 line of `width` spaces with UTF-8 texts placed at 1-based bytes.
inline std::string RecordLine(int width,
                              const std::vector<std::pair<int, std::string>>& fields) {
  std::string line(static_cast<std::size_t>(width), ' ');
  for (const auto& [start, utf8] : fields) {
    const std::string bytes = ModMain::Utf8ToCp949(utf8);
    line.replace(static_cast<std::size_t>(start - 1), bytes.size(), bytes);
  }
  line.resize(static_cast<std::size_t>(width));
  return line;
}

// A ready-mix customer line: old code at byte 1, name at byte 8.
inline std::string ReadyMixCustomerLine(const std::string& oldCode, const std::string& name) {
  return RecordLine(738, {{1, oldCode}, {8, name}});
}
