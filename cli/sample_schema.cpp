#include "cli/sample_schema.h"

#include <cctype>
#include <sstream>
#include <stdexcept>

#include "cli/sample_tables.h"
#include "dbf/ascii.h"

namespace sampledb {
namespace {

std::vector<std::string> Words(const std::string& line) {
  std::istringstream stream(line.substr(0, line.find('#')));
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

int Number(const std::string& word, int lineNumber) {
  std::size_t used = 0;
  int value = -1;
  try {
    value = std::stoi(word, &used);
  } catch (const std::exception&) {
  }
  if (used != word.size() || value < 0) {
    throw std::runtime_error("예제 테이블 목록 " + std::to_string(lineNumber) +
                             "행: 숫자가 아닙니다: " + word);
  }
  return value;
}

dbf::ColumnSpec ParseColumn(const std::vector<std::string>& words, int lineNumber) {
  if ((words.size() != 4 && words.size() != 5) || words[1].size() != 1 ||
      (words.size() == 5 && words[4] != "null")) {
    throw std::runtime_error("예제 테이블 목록 " + std::to_string(lineNumber) +
                             "행을 이해할 수 없습니다 (이름 형식 길이 소수 [null])");
  }
  dbf::ColumnSpec column;
  column.name = words[0];
  column.type = dbf::ascii::Upper(words[1][0]);
  column.length = Number(words[2], lineNumber);
  column.decimals = Number(words[3], lineNumber);
  column.nullable = words.size() == 5;
  return column;
}

bool EqualNoCase(char a, char b) { return dbf::ascii::Lower(a) == dbf::ascii::Lower(b); }

bool MatchesPattern(std::string_view pattern, std::string_view name) {
  std::size_t n = 0;
  for (std::size_t p = 0; p < pattern.size();) {
    std::size_t digits = 0;
    if (pattern.substr(p, 6) == "YYMMDD") digits = 6;
    else if (pattern.substr(p, 4) == "YYMM") digits = 4;
    if (digits > 0) {
      for (std::size_t k = 0; k < digits; ++k, ++n) {
        if (n >= name.size() || !std::isdigit(static_cast<unsigned char>(name[n]))) return false;
      }
      p += digits;
    } else {
      if (n >= name.size() || !EqualNoCase(pattern[p], name[n])) return false;
      ++p;
      ++n;
    }
  }
  return n == name.size();
}

}  // namespace

SampleSchema ParseSampleSchema(std::string_view text) {
  SampleSchema schema;
  std::istringstream lines{std::string(text)};
  int lineNumber = 0;
  for (std::string line; std::getline(lines, line);) {
    ++lineNumber;
    std::vector<std::string> words = Words(line);
    if (words.empty()) continue;
    if (words[0] == "table" && words.size() == 2) {
      schema.patterns.push_back({words[1], {}});
    } else if (words[0] == "make" && words.size() == 3 &&
               (words[2] == "vfp" || words[2] == "fox2")) {
      schema.tables.push_back({words[1], words[2]});
    } else if (!schema.patterns.empty() && words[0] != "table" && words[0] != "make") {
      schema.patterns.back().columns.push_back(ParseColumn(words, lineNumber));
    } else {
      throw std::runtime_error("예제 테이블 목록 " + std::to_string(lineNumber) +
                               "행을 이해할 수 없습니다: " + line);
    }
  }
  return schema;
}

const TablePattern* FindPattern(const SampleSchema& schema, std::string_view tableName) {
  for (const TablePattern& pattern : schema.patterns) {
    if (MatchesPattern(pattern.pattern, tableName)) return &pattern;
  }
  return nullptr;
}

const SampleSchema& BuiltInSampleSchema() {
  static const SampleSchema schema = ParseSampleSchema(kSampleTablesText);
  return schema;
}

}  // namespace sampledb
