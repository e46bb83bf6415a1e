#include "window/journal_texts.h"

#include <QStringList>

#include "common/encoding.h"
#include "common/messages.h"
#include "dbf/os/folders.h"
#include "import/kinds.h"

namespace window {
namespace {

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

// The first `shown` lines, then how many more there are.
QString Listed(const QStringList& lines, qsizetype shown) {
  QString text = lines.mid(0, shown).join(QStringLiteral("\r\n"));
  if (lines.size() > shown) text += QStringLiteral("\r\n… 외 %1건").arg(lines.size() - shown);
  return text;
}

// "2024-03-15 14:23, 골재 · 차량, G차량.txt": enough for a clerk to know the run.
QString RunLabel(const ModMain::JournalRun& run) {
  const std::string file = ModMain::DecodeFileName(run.file);
  return QStringLiteral("%1, %2, %3")
      .arg(Utf8(run.started.substr(0, 16)), Utf8(ModMain::KindLabel(run.kind)), Utf8(dbf::os::FileNameOf(file)));
}

}  // namespace

QString JournalWarningsText(const std::vector<std::string>& warnings) {
  QStringList lines;
  for (const std::string& warning : warnings) lines.append(Utf8(warning));
  return Listed(lines, 10);
}

QString UndoOfferQuestion(ModMain::RunEnd end, const std::map<std::string, int>& rowsSaved) {
  int total = 0;
  for (const auto& [table, rows] : rowsSaved) total += rows;
  return QStringLiteral("가져오기가 끝까지 진행되지 않았습니다 (%1). 이미 저장한 행 %2개가 테이블에 있습니다: %3.\r\n"
                        "이 행들을 지워 가져오기 전으로 되돌리시겠습니까?")
      .arg(Utf8(ModMain::RunEndCaption(end)))
      .arg(total)
      .arg(RowsText(rowsSaved));
}

namespace {

// "<which>를 되돌리시겠습니까?", the run, and what undoing does.
QString UndoQuestion(const QString& which, const ModMain::JournalRun& run) {
  return QStringLiteral("%1를 되돌리시겠습니까?\r\n%2: 저장한 행 %3개\r\n이 가져오기로 저장한 행을 지웁니다.")
      .arg(which, RunLabel(run))
      .arg(run.Rows());
}

}  // namespace

QString UndoLastQuestion(const ModMain::JournalRun& run) { return UndoQuestion(QStringLiteral("마지막 가져오기"), run); }

QString UndoChosenQuestion(const ModMain::JournalRun& run) { return UndoQuestion(QStringLiteral("이 가져오기"), run); }

QString KilledRunQuestion(const ModMain::JournalRun& run) {
  return QStringLiteral("지난 가져오기가 끝나지 않았습니다 (프로그램이 도중에 멈췄습니다).\r\n%1: 저장한 행 %2개\r\n"
                        "이 행들을 지워 가져오기 전으로 되돌리시겠습니까?")
      .arg(RunLabel(run))
      .arg(run.Rows());
}

QString UndoResultText(const ModMain::UndoResult& result) {
  QStringList parts;
  if (!result.warnings.empty()) parts.append(JournalWarningsText(result.warnings));
  QString done = QStringLiteral("가져오기(%1)를 되돌렸습니다: 행 %2개를 지웠습니다.")
                     .arg(RunLabel(result.run))
                     .arg(result.deleted);
  if (result.gone > 0) done += QStringLiteral(" %1개는 이미 없었습니다.").arg(result.gone);
  parts.append(done);
  if (!result.kept.empty()) {
    QStringList kept;
    for (const ModMain::JournalRow& row : result.kept) kept.append(Utf8(ModMain::KeptRowLine(row.table, row.recordNumber)));
    parts.append(Utf8(ModMain::kKeptRowsHeading) + QStringLiteral("\r\n") + Listed(kept, 20));
  }
  if (!result.staleIndexes.empty())
    parts.append(Utf8(ModMain::StaleIndexMessage(result.staleIndexes, /*afterUndo=*/true)));
  for (const dbf::RebuiltTag& tag : result.rebuiltTags) parts.append(Utf8(ModMain::RebuiltTagMessage(tag)));
  return parts.join(QStringLiteral("\r\n"));
}

}  // namespace window
