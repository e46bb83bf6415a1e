#include "window/run_texts.h"

#include <QStringList>

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
  QString text = QStringLiteral("이 파일의 레코드는 대부분 %1바이트입니다. %2 파일의 레코드는 %3바이트입니다.")
                     .arg(check.foundRecordLength)
                     .arg(QString::fromStdString(ModMain::KindLabel(kind)))
                     .arg(check.expectedRecordLength);
  QStringList others;
  for (int other : check.kindsOfFoundLength) others.append(QString::fromStdString(ModMain::KindLabel(other)));
  if (!others.isEmpty())
    text += QStringLiteral("\r\n%1바이트는 %2 파일의 길이입니다.").arg(check.foundRecordLength).arg(others.join(", "));
  return text + QStringLiteral("\r\n다른 종류의 파일일 수 있습니다. 그래도 가져오시겠습니까?");
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
