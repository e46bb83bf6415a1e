#include "window/run_texts.h"

#include <QStringList>

#include "import/checker.h"
#include "import/kinds.h"

namespace window {

QString RunEndCaption(RunEnd end) {
  switch (end) {
    case RunEnd::kCompleted: return QStringLiteral("완료");
    case RunEnd::kStopped: return QStringLiteral("중지됨");
    case RunEnd::kFailed: break;
  }
  return QStringLiteral("오류");
}

QString ElapsedText(qint64 milliseconds) {
  if (milliseconds < 10) return QStringLiteral("0.01초 미만");
  return QStringLiteral("%1초").arg(milliseconds / 1000.0, 0, 'f', 2);
}

QString RowsText(const std::map<std::string, int>& rowsSaved) {
  QStringList tables;
  for (const auto& [table, rows] : rowsSaved)
    if (rows > 0) tables.append(QStringLiteral("%1 %2행").arg(QString::fromStdString(table)).arg(rows));
  return tables.isEmpty() ? QStringLiteral("없음") : tables.join(QStringLiteral(", "));
}

QString SummaryText(const std::map<std::string, int>& rowsSaved, int messages, qint64 milliseconds) {
  return QStringLiteral("저장한 행: %1 · 메시지 %2건 · 경과시간 %3")
      .arg(RowsText(rowsSaved))
      .arg(messages)
      .arg(ElapsedText(milliseconds));
}

QString RecordLengthQuestion(int kind, const ModMain::FileCheck& check) {
  return QString::fromStdString(ModMain::RecordLengthFinding(kind, check)) + QStringLiteral(" 그래도 가져오시겠습니까?");
}

QString ProblemListHeading(int kind, std::size_t problems) {
  return QStringLiteral("%1 파일에서 문제 %2건을 찾았습니다. 아무것도 가져오지 않았습니다.\r\n"
                        "파일을 고친 뒤 다시 실행하십시오.")
      .arg(QString::fromStdString(ModMain::KindLabel(kind)))
      .arg(problems);
}

QString LineCountText(const QString& countPanelText) {
  return QStringLiteral("파일 줄 수 : ") + countPanelText.section(' ', -1);
}

}  // namespace window
