// The window's own texts about a run: its summary line, the question about
// a file of another record length, the heading of the problem list and the
// file's line count. How a run ended and the rows per table are the core's
// (common/messages.h), shared with the command line.
#pragma once

#include <QString>
#include <map>
#include <string>

#include "common/file_check.h"
#include "common/import_kind.h"

namespace window {

inline const QString kCloseQuestion = QStringLiteral("가져오기를 중지하고 닫을까요?");

// "골재 · 차량": the kind "실 행" runs.
QString KindText(ModMain::ImportKind kind);
// "1.25초", to 0.01 s; "0.01초 미만" below that.
QString ElapsedText(qint64 milliseconds);
// "carno 16행, vdrs160 3행": the rows saved by table; "없음" when none.
QString RowsText(const std::map<std::string, int>& rowsSaved);
// "저장한 행: carno 16행, vdrs160 3행 · 메시지 1건 · 경과시간 1.25초".
QString SummaryText(const std::map<std::string, int>& rowsSaved, int messages, qint64 milliseconds);
// Most records have another length than the kind's: the question whether to
// import anyway, naming the kinds whose records have that length.
QString RecordLengthQuestion(ModMain::ImportKind kind, const ModMain::FileCheck& check);
QString ProblemListHeading(ModMain::ImportKind kind, std::size_t problems);
// "파일 줄 수 : 19": the lines of the file, the trailer too, not rows.
QString LineCountText(int lines);

}  // namespace window
