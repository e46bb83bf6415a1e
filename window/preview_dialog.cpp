#include "window/preview_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "common/encoding.h"

namespace window {
namespace {

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

// Fields down, records across: a record of many fields stays readable.
QTableWidget* RecordTable(const std::vector<ModMain::PreviewRecord>& records) {
  const int fields = records.empty() ? 0 : static_cast<int>(records.front().fields.size());
  auto* table = new QTableWidget(fields, static_cast<int>(records.size()));
  table->setObjectName(QStringLiteral("PreviewRecords"));
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QStringList names, lines;
  for (int f = 0; f < fields; ++f) names << Utf8(records.front().fields[static_cast<std::size_t>(f)].name);
  for (int r = 0; r < table->columnCount(); ++r) {
    const ModMain::PreviewRecord& record = records[static_cast<std::size_t>(r)];
    lines << QStringLiteral("%1번째 줄").arg(record.line);
    for (int f = 0; f < fields && f < static_cast<int>(record.fields.size()); ++f) {
      const QString text = Utf8(record.fields[static_cast<std::size_t>(f)].text);
      auto* item = new QTableWidgetItem(text);
      item->setToolTip(text);
      table->setItem(f, r, item);
    }
  }
  table->setVerticalHeaderLabels(names);
  table->setHorizontalHeaderLabels(lines);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  // As high as its fields, up to a dozen; more scroll.
  int height = table->horizontalHeader()->sizeHint().height() + 2 * table->frameWidth();
  for (int f = 0; f < std::min(fields, 12); ++f) height += table->rowHeight(f);
  table->setFixedHeight(height);
  return table;
}

}  // namespace

QStringList PreviewRowLines(const std::map<std::string, int>& rows) {
  QStringList lines;
  for (const auto& [table, count] : rows) lines << QStringLiteral("%1 %2행").arg(Utf8(ModMain::Cp949ToUtf8(table))).arg(count);
  if (lines.isEmpty()) lines << QStringLiteral("없음");
  return lines;
}

PreviewAnswer ShowPreview(QWidget* parent, const RunPreview& preview) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("PreviewDialog"));
  dialog.setWindowTitle(QStringLiteral("가져오기 미리보기"));
  auto* layout = new QVBoxLayout(&dialog);

  auto* facts = new QFormLayout;
  facts->addRow(QStringLiteral("파일:"), new QLabel(preview.file));
  facts->addRow(QStringLiteral("종류:"), new QLabel(preview.kind));
  facts->addRow(QStringLiteral("테이블 폴더:"), new QLabel(preview.tableDirectory));
  facts->addRow(QStringLiteral("받을 행:"), new QLabel(PreviewRowLines(preview.rows).join(QStringLiteral(", "))));
  layout->addLayout(facts);

  layout->addWidget(new QLabel(QStringLiteral("처음 레코드 %1개:").arg(preview.records.size())));
  layout->addWidget(RecordTable(preview.records));

  layout->addWidget(new QLabel(QStringLiteral("가져오면서 보일 메시지: %1건").arg(preview.messages.size())));
  if (!preview.messages.empty()) {
    QStringList shown;
    for (const std::string& message : preview.messages) shown << Utf8(message).replace(QStringLiteral("\r\n"), " ");
    auto* messages = new QPlainTextEdit(shown.join('\n'));
    messages->setReadOnly(true);
    messages->setMaximumHeight(messages->fontMetrics().lineSpacing() * 5);
    layout->addWidget(messages);
  }

  layout->addWidget(new QLabel(QStringLiteral("이대로 가져오시겠습니까?")));
  auto* askNoMore = new QCheckBox(QStringLiteral("다음부터 묻지 않기"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(askNoMore);
  buttons->addStretch(1);
  auto* go = new QPushButton(QStringLiteral("가져오기"));
  auto* stop = new QPushButton(QStringLiteral("취소"));
  go->setDefault(true);  // Enter goes on
  buttons->addWidget(go);
  buttons->addWidget(stop);
  layout->addLayout(buttons);
  QObject::connect(go, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(stop, &QPushButton::clicked, &dialog, &QDialog::reject);
  go->setFocus();

  dialog.resize(640, dialog.sizeHint().height());
  const bool importing = dialog.exec() == QDialog::Accepted;
  return {importing, askNoMore->isChecked()};
}

}  // namespace window
