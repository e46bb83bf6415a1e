// The import core's texts: captions, statuses and the sentences of its
// messages, each written once. Every text is UTF-8; values in them arrive as
// CP949 and are shown with the one display rule for bytes that are not CP949.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/run_end.h"
#include "dbf/dbf.h"

namespace ModMain {

inline constexpr const char* kLoadCaption = "파일읽기";
inline constexpr const char* kCheckCaption = "검사";
inline constexpr const char* kInsertCaption = "데이터 인서트";
// The phase after a plan that wrote nothing because the clerk said no, the
// check found problems or the check was stopped.
inline constexpr const char* kNotImportedCaption = "가져오지 않음";
inline constexpr const char* kSuccessStatus = "성공";
inline constexpr const char* kWrongFileMessage = "파일을 잘못 선택하셨습니다.\r\n다시 파일을 선택하십시오.";

// No file chosen for the kind: "가져올 파일을 고르지 않았습니다." and what it expects.
std::string NoFileChosenMessage(const std::string& kindLabel, const std::string& nameRule);

// "전체레코드수 : N": the lines of the file loaded.
std::string RecordCountPanel(int lines);

// How a run ended: "완료", "중지됨", "거부됨", "오류" (the journal's list).
std::string RunEndText(RunEnd end);
// The window's phase label after a run: "완료", "중지됨" or "오류" (to the
// clerk a refusal is an error).
std::string RunEndCaption(RunEnd end);
// "carno 16행, vdrs160 3행": the rows saved in each table that got any; "" for none.
std::string RowsPerTable(const std::map<std::string, int>& rowsSaved);
// What an undo says of the rows it kept because they changed since the run:
// the heading, then a line for each ("- carno 2번째 행").
inline constexpr const char* kKeptRowsHeading = "다음 행은 가져온 뒤에 바뀌어 지우지 않았습니다:";
std::string KeptRowLine(const std::string& table, std::uint32_t recordNumber);

// "파일의 N번째 줄: ": what a message about the record on line N starts with.
std::string LinePrefix(int lineNumber);

// "<subject> 테이블이 없습니다." CR LF "테이블을 확인하고 다시 시도하십시오."
std::string MissingTableMessage(const std::string& subject);
// The same for a date-named table: "<name>.dbf 테이블이 없습니다." ...
std::string MissingDatedTableMessage(const std::string& tableNameCp949);

// "파일 '<name>'" + rest: every message about an export file starts so.
std::string FileMessage(const std::string& pathBytes, std::string_view rest);

// Conversions: "<label> '<text>'을(를) 정수로 바꿀 수 없습니다." and the range.
std::string NotWholeNumberMessage(std::string_view label, std::string_view textCp949);
std::string OutOfRangeMessage(std::string_view label, std::string_view textCp949, std::string_view range);
// "열 <column>(<first>~<last>번째 바이트)에 CP949 글자가 아닌 바이트 0xXX가 있습니다 (N번째 바이트)."
std::string NotCp949Message(std::string_view column, int firstByte, int lastByte, unsigned char bad, int badPosition);
// The same for NUL or 0x1A, which end a text in other programs and mark the end of a table file.
std::string ControlByteMessage(std::string_view column, int firstByte, int lastByte, unsigned char bad, int badPosition);
std::string NoMonthOrDayMessage(std::string_view monthCp949, std::string_view dayCp949);

// The indexes a run (or, `afterUndo`, an undo) did not keep current, a line
// each with its reason, and what to do about them.
std::string StaleIndexMessage(const std::vector<dbf::StaleIndex>& stale, bool afterUndo);

// "색인 X의 태그 Y를 다시 만들었습니다": a tag found broken and built anew.
std::string RebuiltTagMessage(const dbf::RebuiltTag& rebuilt);

std::string CustomerNotFoundMessage(std::string_view nameCp949);
std::string CodeSeriesFullMessage(char series);
std::string NotConnectedMessage(const std::string& tableDirectory);

}  // namespace ModMain
