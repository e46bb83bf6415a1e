// The window's own texts about a run: how it ended, its summary line, the
// question about a file of another record length, the heading of the
// problem list and the file's line count.
#pragma once

#include <QString>
#include <map>
#include <string>

#include "common/file_check.h"

namespace window {

enum class RunEnd { kCompleted, kStopped, kFailed };

inline const QString kCloseQuestion = QStringLiteral("가져오기를 중지하고 닫을까요?");

// "완료", "중지됨", "오류": the phase label after a run.
QString RunEndCaption(RunEnd end);
// "1.25초", to 0.01 s; "0.01초 미만" below that.
QString ElapsedText(qint64 milliseconds);
// "carno 16행, vdrs160 3행": the rows saved by table; "없음" when none.
QString RowsText(const std::map<std::string, int>& rowsSaved);
// "저장한 행: carno 16행, vdrs160 3행 · 메시지 1건 · 경과시간 1.25초".
QString SummaryText(const std::map<std::string, int>& rowsSaved, int messages, qint64 milliseconds);
// Most records have another length than the kind's: the question whether to
// import anyway, naming the kinds whose records have that length.
QString RecordLengthQuestion(int kind, const ModMain::FileCheck& check);
QString ProblemListHeading(int kind, std::size_t problems);
// "파일 줄 수 : 19" for the loader's "전체레코드수 : 19": it counts lines of
// the file, the trailer too, not rows.
QString LineCountText(const QString& countPanelText);

}  // namespace window
