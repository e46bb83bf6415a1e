#include "window/run_texts.h"

#include "common/messages.h"
#include "import/checker.h"
#include "import/kinds.h"

namespace window {

QString KindText(ModMain::ImportKind kind) { return QString::fromStdString(ModMain::KindLabel(kind)); }

QString ElapsedText(qint64 milliseconds) {
  if (milliseconds < 10) return QStringLiteral("0.01초 미만");
  return QStringLiteral("%1초").arg(milliseconds / 1000.0, 0, 'f', 2);
}

QString RowsText(const std::map<std::string, int>& rowsSaved) {
  const std::string rows = ModMain::RowsPerTable(rowsSaved);
  return rows.empty() ? QStringLiteral("없음") : QString::fromStdString(rows);
}

QString SummaryText(const std::map<std::string, int>& rowsSaved, int messages, qint64 milliseconds) {
  return QStringLiteral("저장한 행: %1 · 메시지 %2건 · 경과시간 %3")
      .arg(RowsText(rowsSaved))
      .arg(messages)
      .arg(ElapsedText(milliseconds));
}

QString RecordLengthQuestion(ModMain::ImportKind kind, const ModMain::FileCheck& check) {
  return QString::fromStdString(ModMain::RecordLengthFinding(kind, check)) + QStringLiteral(" 그래도 가져오시겠습니까?");
}

QString ProblemListHeading(ModMain::ImportKind kind, std::size_t problems) {
  return QStringLiteral("%1 파일에서 문제 %2건을 찾았습니다. 아무것도 가져오지 않았습니다.\r\n"
                        "파일을 고친 뒤 다시 실행하십시오.")
      .arg(KindText(kind))
      .arg(problems);
}

QString LineCountText(int lines) { return QStringLiteral("파일 줄 수 : %1").arg(lines); }

}  // namespace window
