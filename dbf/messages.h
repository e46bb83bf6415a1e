// The layer's Korean UTF-8 error texts. Every message about a table starts
// with "테이블 <name>", about a memo file with "테이블 <name>의 메모 파일 <path>",
// about a value with "테이블 <name>의 열 <column>에 값 '<value>'"; the callers
// add the rest of the sentence, beginning with its particle.
#pragma once

#include <string>
#include <string_view>

#include "dbf/dbf.h"

namespace dbf::detail {

// CP949 bytes as UTF-8 for a message (DisplayText's rule).
std::string MessageText(std::string_view cp949);

using dbf::SystemErrorText;

[[noreturn]] void Fail(const std::string& utf8Message);
[[noreturn]] void FailTable(std::string_view table, std::string_view rest);
[[noreturn]] void FailMemo(std::string_view table, std::string_view memoPath, std::string_view rest);
std::string ColumnValueSubject(std::string_view table, std::string_view column, std::string_view valueCp949);

}  // namespace dbf::detail
