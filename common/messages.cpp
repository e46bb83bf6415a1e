#include "common/messages.h"

#include "common/encoding.h"
#include "common/text.h"

namespace ModMain {

std::string NoFileChosenMessage(const std::string& kindLabel, const std::string& nameRule) {
  return "가져올 파일을 고르지 않았습니다.\r\n왼쪽 파일 목록에서 " + kindLabel + " 파일(" + nameRule + ")을 고르십시오.";
}

std::string RecordCountPanel(int lines) { return "전체레코드수 : " + std::to_string(lines); }

std::string RunEndText(RunEnd end) {
  switch (end) {
    case RunEnd::kCompleted: return "완료";
    case RunEnd::kStopped: return "중지됨";
    case RunEnd::kRefused: return "거부됨";
    case RunEnd::kFailed: break;
  }
  return "오류";
}

std::string RunEndCaption(RunEnd end) { return RunEndText(end == RunEnd::kRefused ? RunEnd::kFailed : end); }

std::string RowsPerTable(const std::map<std::string, int>& rowsSaved) {
  std::string text;
  for (const auto& [table, rows] : rowsSaved)
    if (rows > 0) text += (text.empty() ? "" : ", ") + Cp949ToUtf8(table) + " " + std::to_string(rows) + "행";
  return text;
}

std::string KeptRowLine(const std::string& table, std::uint32_t recordNumber) {
  return "- " + table + " " + std::to_string(recordNumber) + "번째 행";
}

std::string LinePrefix(int lineNumber) { return "파일의 " + std::to_string(lineNumber) + "번째 줄: "; }

std::string MissingTableMessage(const std::string& subject) {
  return subject + " 테이블이 없습니다.\r\n테이블을 확인하고 다시 시도하십시오.";
}

std::string MissingDatedTableMessage(const std::string& tableNameCp949) {
  return MissingTableMessage(Cp949ToUtf8(tableNameCp949) + ".dbf");
}

std::string FileMessage(const std::string& pathBytes, std::string_view rest) {
  return "파일 '" + DecodeFileName(pathBytes) + "'" + std::string(rest);
}

namespace {
std::string Quoted(std::string_view label, std::string_view textCp949) {
  return std::string(label) + " '" + Cp949ToUtf8(textCp949) + "'";
}
}  // namespace

std::string NotWholeNumberMessage(std::string_view label, std::string_view textCp949) {
  return Quoted(label, textCp949) + "을(를) 정수로 바꿀 수 없습니다.";
}

std::string OutOfRangeMessage(std::string_view label, std::string_view textCp949, std::string_view range) {
  return Quoted(label, textCp949) + "은(는) 정수 범위(" + std::string(range) + ")를 벗어납니다.";
}

namespace {
// "열 <column>(<first>~<last>번째 바이트)에 <what> 0xXX가 있습니다 (N번째 바이트). "
std::string BadByteText(std::string_view column, int firstByte, int lastByte, const char* what, unsigned char bad,
                        int badPosition) {
  const std::string hex = "0x" + HexDigits(bad, 2, /*upper=*/true);
  return "열 " + std::string(column) + "(" + std::to_string(firstByte) + "~" + std::to_string(lastByte) +
         "번째 바이트)에 " + what + " " + hex + "가 있습니다 (" + std::to_string(badPosition) + "번째 바이트). ";
}
}  // namespace

std::string NotCp949Message(std::string_view column, int firstByte, int lastByte, unsigned char bad, int badPosition) {
  return BadByteText(column, firstByte, lastByte, "CP949 글자가 아닌 바이트", bad, badPosition) +
         "파일이 CP949(완성형 한글)로 저장되었는지 확인하십시오.";
}

std::string ControlByteMessage(std::string_view column, int firstByte, int lastByte, unsigned char bad, int badPosition) {
  return BadByteText(column, firstByte, lastByte, "글자가 아닌 제어 바이트", bad, badPosition) +
         "다른 프로그램에서 글이나 테이블이 여기서 끝나 버립니다. 파일을 고치거나 다시 내보내십시오.";
}

std::string NoMonthOrDayMessage(std::string_view monthCp949, std::string_view dayCp949) {
  return "날짜에 월 또는 일이 없습니다 (월 '" + Cp949ToUtf8(monthCp949) + "', 일 '" + Cp949ToUtf8(dayCp949) +
         "'). 날짜가 없는 레코드는 월별·일별 테이블을 정할 수 없습니다.";
}

std::string StaleIndexMessage(const std::vector<dbf::StaleIndex>& stale, bool afterUndo) {
  std::string text = std::string("행을 ") + (afterUndo ? "지운" : "추가한") + " 테이블의 다음 색인은 갱신하지 않았습니다.";
  for (const dbf::StaleIndex& index : stale)
    text += "\r\n- " + Cp949ToUtf8(index.table) + "의 " + Cp949ToUtf8(index.index) + ": " + index.reason;
  return text + "\r\n사용하기 전에 응용 프로그램에서 이 색인을 다시 만드십시오.";
}

std::string RebuiltTagMessage(const dbf::RebuiltTag& rebuilt) {
  return "색인 " + Cp949ToUtf8(rebuilt.index) + "의 태그 " + Cp949ToUtf8(rebuilt.tag) + "를 다시 만들었습니다";
}

std::string CustomerNotFoundMessage(std::string_view nameCp949) {
  return "거래처 \"" + Cp949ToUtf8(nameCp949) + "\"을(를) 거래처 테이블(vdrs110)에서 찾을 수 없습니다.";
}

std::string CodeSeriesFullMessage(char series) {
  const std::string s(1, series);
  return "거래처 코드가 " + s + "00001부터 " + s + "99999까지 모두 쓰여 더 만들 수 없습니다.";
}

std::string NotConnectedMessage(const std::string& tableDirectory) {
  return "테이블 폴더 '" + tableDirectory + "'에 연결되어 있지 않습니다. 폴더를 확인하고 프로그램을 다시 시작하십시오.";
}

}  // namespace ModMain
